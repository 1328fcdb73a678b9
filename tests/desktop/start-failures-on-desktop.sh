#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Subtitles that cannot start at all, with errors not asked for as a user has them: a spoken
# language without a speech model, then no sound server running. Each time the subtitle window
# shows its "Listening Error" alert with the reason, rather than asking for speech that nothing
# hears, and Voxlume stays up. Usage: scripts/desktop start-failures-on-desktop.sh VOXLUME
set -eEuo pipefail

program=${1:?usage: scripts/desktop $0 PATH-OF-VOXLUME}
. "$(dirname "$0")/checks.sh"
begin_desktop_test StartFailuresOnDesktop xdotool xprop
pid=

stop_program() {
    [ -n "$pid" ] || return 0
    exited "$pid" || kill -TERM "$pid"
    poll 10 exited "$pid" || kill -KILL "$pid"
    wait "$pid" 2>/dev/null || true
    pid=
}

finish() {
    local status=$?
    trap - EXIT ERR
    set +e
    stop_program
    exit_on_failure "$status"
    echo "PASS: a language without a speech model and a missing sound server each showed the Listening Error alert, and Voxlume stayed up"
}
trap finish EXIT
trap 'fail "unexpected failure of: $BASH_COMMAND (line $LINENO)"' ERR

# Settings as write_settings makes them, less showErrors: the alert must not depend on it.
settings() {
    write_settings startImmediately=true "$@"
    sed -i '/^showErrors=/d' "$XDG_CONFIG_HOME/Voxlume/Voxlume.ini"
}

alert_shown() {
    xdotool search --all --onlyvisible --pid "$pid" --name '^Listening Error' >/dev/null 2>&1
}

# Starts Voxlume logging to \$out/\$1.log; expects the alert, \$2 in the log, and Voxlume still up.
expect_alert() {
    local name=$1 reason=$2
    "$program" >"$out/$name.log" 2>&1 &
    pid=$!
    poll 20 alert_shown || fail "$name: no Listening Error alert"
    grep -qF "$reason" "$out/$name.log" || fail "$name: the log does not say \"$reason\""
    sleep 1
    exited "$pid" && fail "$name: Voxlume ended"
    stop_program
}

settings selectedFromLanguage=xx-YY selectedToLanguage=xx-YY
expect_alert no-speech-model "Speech recognition is not supported for xx_YY"

# The desktop's own sound server, found by the mark its processes carry.
for candidate in $(pgrep -x pulseaudio || true); do
    if grep -qz "^VOXLUME_DESKTOP_ROOT=$VOXLUME_DESKTOP_ROOT\$" "/proc/$candidate/environ"; then
        kill -KILL "$candidate"
    fi
done
server_gone() { ! pactl info >/dev/null 2>&1; }
poll 5 server_gone || fail "the desktop's sound server did not stop"
settings
expect_alert no-sound-server "no sound server (PulseAudio or PipeWire) is running"
exit 0
