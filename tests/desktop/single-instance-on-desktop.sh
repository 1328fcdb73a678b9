#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Launches Voxlume on the desktop that scripts/desktop makes as a person and a keyboard shortcut
# would: a second launch hands over to the running one and ends, which shows its settings;
# `--toggle` starts and stops live subtitles in the running one, and starts Voxlume with subtitles
# when none runs; without a session bus each launch runs on its own.
# Usage: scripts/desktop single-instance-on-desktop.sh VOXLUME
set -eEuo pipefail

program=${1:?usage: scripts/desktop $0 PATH-OF-VOXLUME}
. "$(dirname "$0")/checks.sh"
begin_desktop_test SingleInstanceOnDesktop xdotool xwininfo xprop dbus-send timeout
instances=()

finish() {
    local status=$? pid
    trap - EXIT ERR
    set +e
    for pid in "${instances[@]}"; do
        exited "$pid" && continue
        kill -TERM "$pid"
        poll 10 exited "$pid" || kill -KILL "$pid"
    done
    wait 2>/dev/null
    exit_on_failure "$status"
    echo "PASS: a second launch and --toggle handed over to the running Voxlume; --toggle started one when none ran; no bus, no hand-over"
}
trap finish EXIT
trap 'fail "unexpected failure of: $BASH_COMMAND (line $LINENO)"' ERR

# The process that owns the program's name on the session bus.
bus_owner() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
        org.freedesktop.DBus.GetConnectionUnixProcessID string:io.github.voxlume.Voxlume 2>/dev/null |
        awk '/uint32/ { print $2 }'
}
owns_name() { [ "$(bus_owner)" = "$1" ]; }

# A shown window of process $1 at least as large as $2 (an awk condition on w and h), and not one
# of the windows with a title of their own, such as the settings.
window_of() {
    local id
    for id in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
        [[ $(xdotool getwindowname "$id" 2>/dev/null) =~ ^(Voxlume)?$ ]] || continue
        xwininfo -id "$id" 2>/dev/null | awk -v id="$id" '/Width:/ { w = $2 } /Height:/ { h = $2 }
            END { if ('"$2"') print id }'
    done | head -n 1
}
subtitles_shown() { [ -n "$(window_of "$1" 'w >= 600 && h >= 100')" ]; }
subtitles_gone() { ! subtitles_shown "$1"; }
tray_icon_shown() { [ -n "$(window_of "$1" 'w > 0 && w < 64 && h < 64')" ]; }
settings_shown() { xdotool search --onlyvisible --name '^Settings$' >/dev/null 2>&1; }

start_instance() {
    "$program" "$@" >>"$out/instance-${#instances[@]}.log" 2>&1 &
    instances+=("$!")
    instance=$!
}

# Launches the program again with ARGUMENTS; it must end by itself, with status 0.
launch_again() {
    local status=0
    timeout 30 "$program" "$@" >>"$out/later-launches.log" 2>&1 || status=$?
    [ "$status" -eq 0 ] || fail "\"Voxlume $*\" beside a running one ended with status $status (124: it did not end)"
}

stop_instance() {
    kill -TERM "$1"
    local status=0
    poll 15 exited "$1" || fail "Voxlume $1 was still running 15 s after SIGTERM"
    wait "$1" || status=$?
    [ "$status" -eq 0 ] || fail "Voxlume $1 ended with status $status on SIGTERM"
}

mkdir -p "$XDG_CONFIG_HOME/Voxlume"
cat >"$XDG_CONFIG_HOME/Voxlume/Voxlume.ini" <<'INI'
[General]
isOnboardingComplete=true
selectedFromLanguage=en-US
selectedToLanguage=en-US
showErrors=true
INI

# ---- a running instance, launched again
start_instance
first=$instance
poll 30 owns_name "$first" || fail "the first Voxlume did not take its name on the session bus"
launch_again
poll 10 settings_shown || fail "launching Voxlume again did not show the running one's settings"
exited "$first" && fail "the running Voxlume ended when it was launched again"
[ "$(bus_owner)" = "$first" ] || fail "the name on the bus moved from the first Voxlume to $(bus_owner)"

launch_again --toggle
poll 20 subtitles_shown "$first" || fail "--toggle did not show the subtitles in the running Voxlume"
launch_again --toggle
poll 10 subtitles_gone "$first" || fail "a second --toggle did not stop the subtitles"
note "handed over to $first: a launch, --toggle, --toggle"
stop_instance "$first"

# ---- --toggle when none runs: it is the instance, with subtitles
start_instance --toggle
toggled=$instance
poll 30 subtitles_shown "$toggled" || fail "--toggle with no Voxlume running showed no subtitles"
owns_name "$toggled" || fail "the Voxlume started by --toggle does not hold the name on the bus"
launch_again --toggle
poll 10 subtitles_gone "$toggled" || fail "--toggle did not stop the subtitles of the Voxlume that --toggle started"
exited "$toggled" && fail "the Voxlume started by --toggle ended when its subtitles stopped"
stop_instance "$toggled"

# ---- no session bus: two launches, each on its own
for run in 1 2; do
    DBUS_SESSION_BUS_ADDRESS=unix:path=$out/no-bus start_instance
done
for pid in "${instances[@]: -2}"; do
    poll 30 tray_icon_shown "$pid" || fail "without a session bus, Voxlume $pid showed no tray icon"
    exited "$pid" && fail "without a session bus, Voxlume $pid ended"
    stop_instance "$pid"
done
exit 0
