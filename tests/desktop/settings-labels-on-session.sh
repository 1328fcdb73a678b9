#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The settings window as a screen reader meets it on one desktop family of scripts/desktop: over the
# real accessibility bus, the controls of labelled rows are named by their labels, which a reader
# finds from the control (LABELLED_BY), not from the label. The window is opened as a person does
# from the launcher: Voxlume launched again while it runs shows its settings.
# Usage: scripts/desktop --session NAME settings-labels-on-session.sh VOXLUME
set -eEuo pipefail

program=${1:?usage: scripts/desktop --session NAME $0 PATH-OF-VOXLUME}
here=$(dirname "$0")
. "$here/checks.sh"
. "$here/session.sh"
begin_desktop_test "SettingsLabelsOn-$session" dbus-send timeout /usr/bin/python3
pid=

finish() {
    local status=$?
    trap - EXIT ERR
    set +e
    stop_processes $pid
    if [ "$failures" -gt 0 ] || [ "$status" -ne 0 ]; then
        echo "=== Voxlume's output"
        tail -n 30 "$out/voxlume.log" 2>/dev/null
        exit 1
    fi
    echo "PASS ($session): the settings window's pickers and fields are named by their labels on the accessibility bus"
}
trap finish EXIT
trap 'fail "unexpected failure of: $BASH_COMMAND (line $LINENO)"' ERR

# Until the first instance holds its name, a second launch would run on its own instead.
owns_name() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
        org.freedesktop.DBus.GetConnectionUnixProcessID string:io.github.voxlume.Voxlume \
        2>/dev/null | grep -q "uint32 $pid\$"
}

# Mixed, so that the row of the microphone mixed with the computer's sound shows too.
write_settings mixComputerSound=true
# Qt joins the accessibility bus only when the bus says a screen reader runs, or when told to;
# scripts/desktop tells it, and so does this test, which means nothing without it.
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
"$program" >"$out/voxlume.log" 2>&1 &
pid=$!
poll 30 owns_name || give_up "Voxlume did not take its name on the session bus within 30 s"
timeout 30 "$program" >"$out/second-launch.log" 2>&1 ||
    give_up "launching Voxlume again did not hand over to the running one"

# Qt fills the tree in as the window is shown, so the check asks again for a while.
/usr/bin/python3 "$here/atspi-labels.py" --wait 30 Voxlume \
    "combo box=Listen to" "combo box=Microphone" "text=File" >"$out/atspi-labels.log" 2>&1 ||
    fail "$(cat "$out/atspi-labels.log")"
exit 0
