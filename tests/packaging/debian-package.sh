#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package with cpack into the build folder and checks it as apt and dpkg would
# see it: its control fields, the packages it depends on, its files, and the programs running from
# its unpacked files. Usage: debian-package.sh BUILD-FOLDER VERSION
set -euo pipefail
build=$1 version=$2
. "$(dirname "$0")/installed-files.sh"

out=$PWD/DebianPackage
rm -rf "$out"
mkdir -p "$out"
if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$out/cpack.log" 2>&1; then
    cat "$out/cpack.log"
    exit 1
fi
deb=$(find "$out" -maxdepth 1 -name 'voxlume_*.deb' | head -n 1)
[ -n "$deb" ] || { echo "FAIL: cpack made no voxlume_*.deb"; cat "$out/cpack.log"; exit 1; }

field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = voxlume ] || fail "Package is \"$(field Package)\""
[ "$(field Version)" = "$version" ] || fail "Version is \"$(field Version)\", not $version"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture is \"$(field Architecture)\""
[ "$(field Section)" = sound ] || fail "Section is \"$(field Section)\""
[[ $(field Maintainer) =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] || fail "Maintainer is not \"Name <address>\": $(field Maintainer)"
description=$(field Description)
[ "$(wc -l <<<"$description")" -gt 2 ] || fail "the Description has no long text: $description"

# From dpkg-shlibdeps: the libraries the programs link; named by hand: what they load or run.
depends=$(field Depends)
for package in libc6 libqt6core6 libqt6widgets6 libqt6dbus6 libqt6multimedia6 libpulse0 \
    libsqlite3-0 libicu72 libpocketsphinx3 libspeexdsp1 pocketsphinx-en-us apertium libqt6svg6; do
    grep -Eq "(^|, )$package( |,|$)" <<<"$depends" || fail "Depends lacks $package: $depends"
done
grep -qi voxlume <<<"$depends" && fail "the package depends on a package of its own library: $depends"
grep -q 'pulseaudio | pipewire-pulse' <<<"$(field Recommends)" ||
    fail "Recommends no sound server: $(field Recommends)"

# The files: those of an install under /usr, and nothing else (no tests, no benchmarks).
dpkg-deb --contents "$deb" >"$out/contents.txt"
outside=$(awk '{ print $6 }' "$out/contents.txt" | grep -v '^\./usr/' | grep -vx '\./' || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"
grep -Eq '/(tst_|voxlume-bench)' "$out/contents.txt" && fail "tests or benchmarks are packaged"
dpkg-deb --extract "$deb" "$out/root"
check_installed_files "$out/root/usr"
check_command_line "$out/root/usr/bin/voxlume" "$version"

if [ "$failures" -gt 0 ]; then
    echo "=== control:"
    dpkg-deb --info "$deb"
    exit 1
fi
echo "PASS: $(basename "$deb"), $(stat -c %s "$deb") bytes: control fields, Depends, files, programs run"
