#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The sound server dies during a run, as when PulseAudio crashes or is restarted: Voxlume stays up,
# says so in its "Listening Error" alert and keeps what was heard; once a new server runs, starting
# again hears it. Usage: scripts/desktop sound-server-loss-on-desktop.sh VOXLUME
set -eEuo pipefail

program=${1:?usage: scripts/desktop $0 PATH-OF-VOXLUME}
. "$(dirname "$0")/checks.sh"
. "$(dirname "$0")/session.sh"
begin_desktop_test SoundServerLossOnDesktop xdotool xwininfo xprop espeak-ng sox paplay pactl sqlite3
pid=

finish() {
    local status=$?
    trap - EXIT ERR
    set +e
    if [ -n "$pid" ] && ! exited "$pid"; then
        kill -TERM "$pid"
        poll 10 exited "$pid" || kill -KILL "$pid"
    fi
    # Not the new sound server, which the desktop stops on its way out.
    [ -z "$pid" ] || wait "$pid" 2>/dev/null
    if [ "$failures" -gt 0 ] || [ "$status" -ne 0 ]; then
        echo "=== Voxlume's output"
        tail -n 40 "$out/voxlume.log"
        exit 1
    fi
    echo "PASS: the sound server died during a run; Voxlume stayed up, said so, kept the text and heard the new server at the next start"
}
trap finish EXIT
trap 'fail "unexpected failure of: $BASH_COMMAND (line $LINENO)"' ERR

running() { ! exited "$pid"; }

write_settings startImmediately=true
make_speech

database=$XDG_DATA_HOME/Voxlume/Transcripts.sqlite
# The number of stored runs that hold one of the spoken words.
runs_heard() {
    [ -f "$database" ] || { echo 0; return; }
    local condition
    condition=$(printf "sourceText LIKE '%%%s%%' OR " "${distinctive[@]}")
    sqlite3 -cmd '.timeout 2000' "$database" "SELECT count(*) FROM Transcript WHERE ${condition% OR }" ||
        echo 0
}
heard_in() { [ "$(runs_heard)" -ge "$1" ]; }

"$program" >"$out/voxlume.log" 2>&1 &
pid=$!
subtitles_up() {
    running || give_up "Voxlume ended before it showed its subtitles"
    find_subtitles
}
poll 30 subtitles_up || give_up "no subtitles within 30 s"
paplay -d "$VOXLUME_DESKTOP_FEED" "$out/speech.wav"
sleep 1

# ---- the server dies: it is this desktop's own, found by the mark its processes carry
server=
for candidate in $(pgrep -x pulseaudio || true); do
    grep -qz "^VOXLUME_DESKTOP_ROOT=$VOXLUME_DESKTOP_ROOT\$" "/proc/$candidate/environ" && server=$candidate
done
[ -n "$server" ] || give_up "the desktop's sound server was not found"
mapfile -d '' -t command <"/proc/$server/cmdline"
mapfile -d '' -t environment <"/proc/$server/environ"
kill -KILL "$server"

alert_shown() { xdotool search --onlyvisible --name '^Listening Error' >/dev/null 2>&1; }
poll 10 alert_shown || fail "no Listening Error alert after the sound server died"
poll 10 heard_in 1 || fail "the text heard before the server died was not stored"
sleep 1
running || give_up "Voxlume ended when the sound server died"

# ---- a new server, as the desktop starts one; then Stop and Start, as the user would
env -i "${environment[@]}" setsid "${command[@]}" >"$out/pulseaudio.log" 2>&1 </dev/null &
server_answers() { pactl info >/dev/null 2>&1; }
poll 10 server_answers || give_up "the new sound server did not start"
pactl set-default-source virtmic
"$program" --toggle
subtitles_gone() { ! find_subtitles; }
poll 10 subtitles_gone || fail "the first --toggle did not stop the subtitles"
"$program" --toggle
poll 10 subtitles_up || give_up "the subtitles did not come back at the second --toggle"
sleep 2
paplay -d "$VOXLUME_DESKTOP_FEED" "$out/speech.wav"
"$program" --toggle
poll 10 heard_in 2 || fail "the run on the new sound server heard nothing: $(tail -n 5 "$out/voxlume.log")"
exit 0
