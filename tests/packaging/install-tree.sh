#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build under /usr in a DESTDIR inside the build folder, and checks what a desktop and a
# user find there: the files, the programs running from there, the launcher entry and the
# software-centre description by their validators, and the installed translations preferred to the
# built-in ones. Usage: install-tree.sh BUILD-FOLDER VERSION LRELEASE
set -euo pipefail
build=$1 version=$2 lrelease=$3
. "$(dirname "$0")/installed-files.sh"

out=$PWD/InstallTree
rm -rf "$out"
mkdir -p "$out"
root=$out/root
usr=$root/usr
DESTDIR=$root cmake --install "$build" --prefix /usr >"$out/install.log"

check_installed_files "$usr"
# From the DESTDIR, not the system or the build tree: the programs find their library by RUNPATH.
for program in Voxlume voxlume-transcribe; do
    library=$(ldd "$usr/bin/$program" | awk '/libVoxlumeCore/ { print $3 }')
    [[ $library == "$usr"/* ]] || fail "installed $program loads the library from \"$library\""
done
check_command_line "$usr/bin/voxlume" "$version"

desktop_file=$usr/share/applications/$app_id.desktop
desktop-file-validate "$desktop_file" >"$out/desktop-file-validate.log" 2>&1 ||
    fail "desktop-file-validate: $(cat "$out/desktop-file-validate.log")"
metainfo=$usr/share/metainfo/$app_id.metainfo.xml
appstreamcli validate --no-net "$metainfo" >"$out/appstreamcli.log" 2>&1 ||
    fail "appstreamcli validate: $(cat "$out/appstreamcli.log")"
# The pieces name each other: the launcher's command and icon, the description's launcher.
for command in $(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop_file"); do
    [ -x "$usr/bin/$command" ] || fail "the launcher runs $command, which is not installed"
done
icon=$(sed -n 's/^Icon=//p' "$desktop_file")
[ -e "$usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "the launcher's icon $icon is not installed"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
    fail "the metainfo does not launch $app_id.desktop"

# A catalogue put beside the program wins over the one built in.
cat >"$out/marker.ts" <<'TS'
<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>CommandLine</name>
    <message>
        <source>Live subtitles of what is said near the computer.</source>
        <translation>INSTALLED-CATALOGUE</translation>
    </message>
</context>
</TS>
TS
"$lrelease" -silent "$out/marker.ts" -qm "$usr/share/voxlume/translations/voxlume-app_de.qm"
help=$(env -u DISPLAY -u LANGUAGE LC_ALL=de_DE.UTF-8 "$usr/bin/voxlume" --help 2>&1 || true)
grep -q INSTALLED-CATALOGUE <<<"$help" ||
    fail "a German user's help does not come from the installed catalogue: $help"

if [ "$failures" -gt 0 ]; then
    echo "=== the install is kept in $root"
    exit 1
fi
echo "PASS: installed files, library found from the DESTDIR, --version/--help, valid launcher and metainfo, installed translations"
