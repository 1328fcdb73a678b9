#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Voxlume on one desktop family of scripts/desktop (openbox, xfce, gnome), as a new user meets it:
# the tray icon (or, without a tray, the command window) comes up; "Start Live Subtitles" (here the
# --toggle a keyboard shortcut sends) shows the subtitles on the current workspace, above a focused,
# maximised window, and they stay on screen after a workspace switch; other programs follow the
# spoken words on the session bus and in the live caption file, and Stop on the bus ends the run,
# which is stored. On GNOME,
# where no X server answers, the program runs on Wayland and says what the subtitles cannot do there.
# Usage: scripts/desktop --session NAME subtitles-on-session.sh VOXLUME
set -eEuo pipefail

program=${1:?usage: scripts/desktop --session NAME $0 PATH-OF-VOXLUME}
. "$(dirname "$0")/checks.sh"
. "$(dirname "$0")/session.sh"
tools=(xprop xwininfo xdotool dbus-send gdbus convert tesseract espeak-ng sox paplay sqlite3)
case $session in
gnome) tools+=(foot) ;;
*) tools+=(import xterm) ;;
esac
begin_desktop_test "SubtitlesOn-$session" "${tools[@]}"
pid=
others=()

finish() {
    local status=$?
    trap - EXIT ERR
    set +e
    stop_processes "${others[@]}" $pid
    if [ "$failures" -gt 0 ] || [ "$status" -ne 0 ]; then
        echo "=== Voxlume's output"
        tail -n 60 "$out/voxlume.log" 2>/dev/null
        echo "=== screenshots, OCR and logs are kept in $out"
        exit 1
    fi
    echo "PASS ($session): $(menu_place) shown, subtitles on the current workspace above a maximised window and after a workspace switch, followed on the bus and in the live file, stopped over the bus, the run stored"
}
trap finish EXIT
trap 'fail "unexpected failure of: $BASH_COMMAND (line $LINENO)"' ERR

running() { kill -0 "$pid" 2>/dev/null && [ "$(ps -o stat= -p "$pid")" != Z ]; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }

live_file=$out/live-captions.txt
write_settings writeLiveCaptionFile=true "liveCaptionFile=$live_file"
make_speech
bus=(--session --dest io.github.voxlume.Voxlume --object-path /io/github/voxlume/Voxlume)
captions=io.github.voxlume.Voxlume.Captions
# Whether the live file, or what the bus carried, holds one of the spoken words.
has_spoken_word() { grep -Eqiw "$(IFS='|'; echo "${distinctive[*]}")" "$1" 2>/dev/null; }

# ---- launch: the way to the menu comes up
launched=$(now_ms)
"$program" >"$out/voxlume.log" 2>&1 &
pid=$!
menu_up() {
    running || give_up "Voxlume ended right after it was launched"
    menu_reachable
}
poll 30 menu_up || give_up "no $(menu_place) of Voxlume within 30 s"
note "launch to $(menu_place): $(($(now_ms) - launched)) ms"
# Another program that follows the subtitles on the bus, from before they start.
gdbus monitor "${bus[@]}" >"$out/monitor.log" 2>&1 &
others+=("$!")

# ---- a focused, maximised window for the subtitles to stand above: native Wayland on GNOME
if [ "$session" = gnome ]; then
    foot --maximized --title 'Busy terminal' sh -c 'while :; do sleep 1; done' \
        >"$out/terminal.log" 2>&1 &
else
    xterm -maximized -title 'Busy terminal' -e sh -c 'while :; do sleep 1; done' \
        >"$out/terminal.log" 2>&1 &
fi
others+=("$!")
terminal() { xdotool search --onlyvisible --name '^Busy terminal$' 2>/dev/null | head -n 1 || true; }
# Maximised as the window manager says, or (openbox takes xterm's own -maximized as a size) as
# large as the screen less its panels.
terminal_maximised() {
    local id
    id=$(terminal)
    [ -n "$id" ] || return 1
    xprop -id "$id" _NET_WM_STATE | grep -q MAXIMIZED_VERT ||
        { read_geometry "$id" && [ "$width" -ge 1500 ] && [ "$height" -ge 800 ]; }
}
# A Wayland window is out of reach of X clients: it is trusted to be up once it had time to show.
if [ "$session" = gnome ]; then
    sleep 2
else
    poll 10 terminal_maximised || fail "the terminal did not come up maximised"
fi
# A click into the terminal, away from where the subtitles show, as a user goes back to work.
click_terminal() {
    if [ "$session" = gnome ]; then
        "$here/gnome-pointer" click 200 150
    else
        xdotool mousemove --sync 200 150 click 1
    fi
}
terminal_focused() { [ "$session" = gnome ] || [ "$(xdotool getactivewindow 2>/dev/null || true)" = "$(terminal)" ]; }

# ---- Start: the subtitles on screen, on the workspace the user is on
started=$(now_ms)
"$program" --toggle >"$out/toggle.log" 2>&1
subtitles_up() {
    running || give_up "Voxlume ended after Start"
    find_subtitles
}
if ! poll 20 subtitles_up; then
    for id in $(xdotool search --pid "$pid" 2>/dev/null || true); do
        note "window $id: workspace $(window_workspace "$id"), $(xwininfo -id "$id" | grep 'Map State' || true)"
    done
    give_up "the subtitles did not come up on the current workspace ($(current_workspace)) within 20 s"
fi
note "Start to subtitles on screen: $(($(now_ms) - started)) ms"
every_workspace() { [ "$(window_workspace "$subtitles")" = 4294967295 ]; }
poll 5 every_workspace ||
    fail "the subtitles are not on every workspace: _NET_WM_DESKTOP = $(window_workspace "$subtitles")"

# Reads the subtitle window's part of a screenshot; succeeds once one of the spoken words shows
# (the test is of the window, not of the recogniser, which may miss the others).
declare -A seen=()
shots=0
subtitles_read() {
    shots=$((shots + 1))
    local shot=$out/$(printf '%02d' "$shots")-$1.png word
    screenshot_screen "$shot" || return 1
    read_geometry "$subtitles" || return 1
    convert "$shot" -crop "${width}x$height+$x+$y" +repage -colorspace gray -negate -resize 200% \
        "${shot%.png}-ocr.png"
    tesseract "${shot%.png}-ocr.png" "${shot%.png}-ocr" --psm 6 >/dev/null 2>&1 || return 1
    seen=()
    for word in $(tr -cs '[:alpha:]' '\n' <"${shot%.png}-ocr.txt" | tr '[:upper:]' '[:lower:]'); do
        for expected in "${distinctive[@]}"; do
            [ "$word" = "$expected" ] && seen[$word]=1
        done
    done
    [ "${#seen[@]}" -ge 1 ]
}
paplay -d "$VOXLUME_DESKTOP_FEED" "$out/speech.wav" || fail "paplay could not play into the virtual microphone"
click_terminal
poll 5 terminal_focused || fail "a click into the terminal did not focus it"
poll 15 subtitles_read above-terminal ||
    fail "the screen does not show the spoken words in the subtitles above the maximised terminal: read ${!seen[*]}"
text_heard() { grep "$captions.TextChanged" "$out/monitor.log" >"$out/text-changed.log" && has_spoken_word "$out/text-changed.log"; }
poll 10 text_heard ||
    fail "no TextChanged with a spoken word came over the bus: $(tail -n 3 "$out/monitor.log")"
poll 10 has_spoken_word "$live_file" ||
    fail "the live caption file does not hold a spoken word: $(head -c 200 "$live_file" 2>/dev/null)"
note "$(grep -c "$captions.TextChanged" "$out/monitor.log") TextChanged signals heard on the bus"

# ---- another workspace: the subtitles go along
before=$(current_workspace)
if [ "$(workspace_count)" -lt 2 ]; then
    fail "the desktop offers one workspace only: $(workspace_count)"
else
    target=$(((before + 1) % $(workspace_count)))
    xdotool set_desktop "$target"
    switched() { [ "$(current_workspace)" = "$target" ]; }
    poll 5 switched || fail "the workspace did not change from $before to $target"
    poll 5 subtitles_up || fail "the subtitles are gone after the switch to workspace $target"
    poll 10 subtitles_read other-workspace ||
        fail "after the switch to workspace $target the screen no longer shows the subtitles: read ${!seen[*]}"
fi

# ---- Stop over the bus, as another program would, and the run is kept
gdbus call "${bus[@]}" --method "$captions.Stop" >"$out/stop.log" 2>&1 ||
    fail "Stop over the bus failed: $(cat "$out/stop.log")"
subtitles_gone() { ! find_subtitles; }
poll 10 subtitles_gone || fail "the subtitles are still shown 10 s after Stop over the bus"
stopped_heard() { grep -q "$captions', {'Listening': <false>}" "$out/monitor.log"; }
poll 5 stopped_heard || fail "the bus did not announce that listening stopped"
listening=$(gdbus call "${bus[@]}" --method org.freedesktop.DBus.Properties.Get "$captions" Listening 2>&1 || true)
[ "$listening" = "(<false>,)" ] || fail "Listening reads $listening after Stop"
live_file_empty() { [ -f "$live_file" ] && [ ! -s "$live_file" ]; }
poll 5 live_file_empty || fail "the live caption file was not emptied when the subtitles stopped"
database=$XDG_DATA_HOME/Voxlume/Transcripts.sqlite
stored() {
    [ -f "$database" ] &&
        transcript=$(sqlite3 -cmd '.timeout 2000' "$database" 'SELECT sourceText FROM Transcript') &&
        grep -Eqiw "$(IFS='|'; echo "${distinctive[*]}")" <<<"$transcript"
}
poll 10 stored || fail "the run was not stored with its words in $database: ${transcript:-nothing}"

kill -TERM "$pid"
poll 15 exited "$pid" || fail "Voxlume was still running 15 s after SIGTERM"
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || fail "Voxlume ended with status $status on SIGTERM"

# ---- GNOME without a reachable XWayland: the program runs on Wayland itself, and says once what
# the subtitles cannot do there
notice_read() {
    running || give_up "Voxlume ended when no X server answered: $(tail -n 3 "$out/voxlume-wayland.log")"
    shots=$((shots + 1))
    local shot=$out/$(printf '%02d' "$shots")-wayland.png
    screenshot_screen "$shot" || return 1
    convert "$shot" -colorspace gray -negate -resize 200% "${shot%.png}-ocr.png"
    tesseract "${shot%.png}-ocr.png" "${shot%.png}-ocr" >/dev/null 2>&1 || return 1
    tr '\n' ' ' <"${shot%.png}-ocr.txt" | grep -q 'XWayland could not be reached'
}
if [ "$session" = gnome ]; then
    DISPLAY=:4242 "$program" --toggle >"$out/voxlume-wayland.log" 2>&1 &
    pid=$!
    poll 30 notice_read || fail "on Wayland itself, no notice says that XWayland could not be reached"
    grep -q '^hasShownWaylandNotice=true$' "$XDG_CONFIG_HOME/Voxlume/Voxlume.ini" ||
        fail "the notice was not kept as shown, so it would come at every start"
fi
exit 0
