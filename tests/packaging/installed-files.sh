# SPDX-License-Identifier: GPL-3.0-or-later
# What an install of Voxlume holds, under its prefix: sourced by the install-tree and package tests.
app_id=io.github.voxlume.Voxlume
installed_files=(
    bin/Voxlume
    bin/voxlume
    bin/voxlume-transcribe
    "share/applications/$app_id.desktop"
    "share/metainfo/$app_id.metainfo.xml"
    "share/icons/hicolor/scalable/apps/$app_id.svg"
    "share/icons/hicolor/symbolic/apps/$app_id-symbolic.svg"
    share/voxlume/translations/voxlume_de.qm
    share/voxlume/translations/voxlume-app_de.qm
)

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Checks the install under PREFIX (a folder) holds every file above, and the library as the
# programs need it: versioned, with the link its SONAME names, without a development link.
check_installed_files() {
    local prefix=$1 file library soname
    for file in "${installed_files[@]}"; do
        [ -e "$prefix/$file" ] || fail "$file is not installed"
    done
    [ "$(readlink "$prefix/bin/voxlume")" = Voxlume ] || fail "bin/voxlume does not lead to Voxlume"
    library=$(find "$prefix/lib" -name 'libVoxlumeCore.so.*.*.*' | head -n 1)
    if [ -z "$library" ]; then
        fail "no versioned libVoxlumeCore.so.X.Y.Z is installed"
        return
    fi
    soname=$(objdump -p "$library" | awk '$1 == "SONAME" { print $2 }')
    [[ $soname =~ ^libVoxlumeCore\.so\.[0-9]+$ ]] || fail "the library's SONAME is \"$soname\""
    [ -e "$(dirname "$library")/$soname" ] || fail "no $soname beside $library"
    [ -z "$(find "$prefix" -name libVoxlumeCore.so)" ] ||
        fail "a development link libVoxlumeCore.so is installed, with no headers to go with it"
}

# Runs the installed program at PATH without a display, as in a terminal: its version, its help
# and a wrong option.
check_command_line() {
    local program=$1 version=$2 output status
    output=$(env -u DISPLAY -u WAYLAND_DISPLAY "$program" --version 2>&1) ||
        fail "$program --version failed: $output"
    [ "$output" = "Voxlume $version" ] || fail "$program --version printed \"$output\""
    output=$(env -u DISPLAY -u WAYLAND_DISPLAY "$program" --help 2>&1) ||
        fail "$program --help failed: $output"
    grep -q -- '--toggle' <<<"$output" || fail "$program --help does not offer --toggle: $output"
    status=0
    env -u DISPLAY -u WAYLAND_DISPLAY "$program" --no-such-option >/dev/null 2>&1 || status=$?
    [ "$status" -eq 2 ] || fail "$program --no-such-option ended with $status, not 2"
}
