#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The subtitles docked at the bottom of the screen on one desktop family of scripts/desktop
# (openbox, xfce, and gnome through XWayland): they span the screen's width at its bottom edge and
# keep their strip as a panel does (_NET_WM_STRUT_PARTIAL and _NET_WM_STRUT, and a panel's window
# type, which click-through does not undo), so that a maximised window ends where they begin,
# still above other windows and on every workspace. Switched to Floating in the settings file, as
# the settings window stores it, they give the strip back, are a normal window again and the
# maximised window grows into the strip; docked again, they take it again. Minimised while docked,
# they hide and give the strip back until they are shown again. They show three lines, and while
# a LibriVox reading plays into the microphone the screen reads as three lines of its words.
# Usage: scripts/desktop --session openbox|xfce|gnome docked-subtitles-on-session.sh VOXLUME
set -eEuo pipefail

program=${1:?usage: scripts/desktop --session NAME $0 PATH-OF-VOXLUME}
. "$(dirname "$0")/checks.sh"
. "$(dirname "$0")/session.sh"
begin_desktop_test "DockedOn-$session" xprop xwininfo xdotool wmctrl xterm gdbus convert tesseract \
    sox paplay
pid=
terminal_pid=
panel_pid=

finish() {
    local status=$?
    trap - EXIT ERR
    set +e
    stop_processes $terminal_pid $panel_pid $pid
    if [ "$failures" -gt 0 ] || [ "$status" -ne 0 ]; then
        echo "=== Voxlume's output"
        tail -n 40 "$out/voxlume.log" 2>/dev/null
        echo "=== screenshots and logs are kept in $out"
        exit 1
    fi
    echo "PASS ($session): docked at the bottom across ${screen_width}px above ${others}px of panels with a $((others + strip))px strut, a maximised window ending at the subtitles' top (y $subtitles_top), three lines read while speech played, the strip given back when floating and taken again when docked"
}
trap finish EXIT
trap 'fail "unexpected failure of: $BASH_COMMAND (line $LINENO)"' ERR
running() { kill -0 "$pid" 2>/dev/null && [ "$(ps -o stat= -p "$pid")" != Z ]; }

settings=$XDG_CONFIG_HOME/Voxlume/Voxlume.ini
# As the settings window stores a choice: the store sees the file change and every window follows.
choose_position() { sed -i "s/^overlayPosition=.*/overlayPosition=$1/" "$settings"; }
# A screenshot of the whole screen, named after the step.
shots=0
screenshot() {
    shots=$((shots + 1))
    shot=$out/$(printf '%02d' "$shots")-$1.png
    screenshot_screen "$shot"
}
read -r screen_width screen_height < <(xwininfo -root | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w, h }')

# A panel along the bottom (a window with a strip there), as many desktops have: the subtitles go
# above it. GNOME keeps its own panels to itself, and Xfce's bottom one hides instead.
if [ "$session" != gnome ]; then
    xterm -title 'Bottom panel' -geometry 40x2+0+0 -e sh -c 'while :; do sleep 1; done' >"$out/panel.log" 2>&1 &
    panel_pid=$!
    panel() { xdotool search --onlyvisible --name '^Bottom panel$' 2>/dev/null | head -n 1 || true; }
    panel_up() { [ -n "$(panel)" ]; }
    poll 10 panel_up || give_up "the stand-in panel did not come up"
    xprop -id "$(panel)" -f _NET_WM_STRUT_PARTIAL 32c \
        -set _NET_WM_STRUT_PARTIAL "0, 0, 0, 40, 0, 0, 0, 0, 0, 0, 0, $((screen_width - 1))"
fi
write_settings overlayPosition=bottom subtitleLines=3
"$program" --toggle >"$out/voxlume.log" 2>&1 &
pid=$!
subtitles_up() {
    running || give_up "Voxlume ended after it was launched with --toggle"
    find_subtitles
}
poll 30 subtitles_up || give_up "the subtitles did not come up within 30 s"

# ---- docked: across the bottom, above any panel there (Xfce has one), with the strip kept
strut() { xprop -id "$1" "$2" 2>/dev/null | sed -n 's/^[^=]*= //p' || true; }
# How far the other windows' strips reach up from the bottom: where the subtitles' strip begins.
others=0
for client in $(xprop -root _NET_CLIENT_LIST | sed -n 's/^[^#]*# //p' | tr -d ','); do
    [ $((client)) -eq "$subtitles" ] && continue
    bottom=$(strut "$client" _NET_WM_STRUT_PARTIAL | cut -d, -f4 | tr -d ' ')
    [ -n "$bottom" ] && [ "$bottom" -gt "$others" ] && others=$bottom
done
docked_at_bottom() {
    read_geometry "$subtitles" && [ "$x" -eq 0 ] && [ "$width" -eq "$screen_width" ] &&
        [ $((y + height)) -eq $((screen_height - others)) ]
}
poll 10 docked_at_bottom ||
    fail "the docked subtitles are not across the bottom of the ${screen_width}x$screen_height screen above the panels' ${others}px: ${width}x$height at $x,$y"
strip=$height
subtitles_top=$y
expected_partial="0, 0, 0, $((others + strip)), 0, 0, 0, 0, 0, 0, 0, $((screen_width - 1))"
strut_kept() {
    [ "$(strut "$subtitles" _NET_WM_STRUT_PARTIAL)" = "$expected_partial" ] &&
        [ "$(strut "$subtitles" _NET_WM_STRUT)" = "0, 0, 0, $((others + strip))" ]
}
poll 5 strut_kept ||
    fail "the docked subtitles keep no strip: _NET_WM_STRUT_PARTIAL = $(strut "$subtitles" _NET_WM_STRUT_PARTIAL), _NET_WM_STRUT = $(strut "$subtitles" _NET_WM_STRUT); expected $expected_partial"
window_type() { xprop -id "$subtitles" _NET_WM_WINDOW_TYPE 2>/dev/null | sed -n 's/^[^=]*= //p' || true; }
is_panel() { [[ $(window_type) == _NET_WM_WINDOW_TYPE_DOCK* ]]; }
poll 5 is_panel || fail "the docked subtitles do not have a panel's window type: $(window_type)"
xprop -id "$subtitles" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE ||
    fail "the docked subtitles are not kept above other windows: $(xprop -id "$subtitles" _NET_WM_STATE)"
[ "$(window_workspace "$subtitles")" = 4294967295 ] ||
    fail "the docked subtitles are not on every workspace: _NET_WM_DESKTOP = $(window_workspace "$subtitles")"

# ---- a maximised window ends where the subtitles begin
xterm -title 'Busy terminal' -e sh -c 'while :; do sleep 1; done' >"$out/terminal.log" 2>&1 &
terminal_pid=$!
terminal() { xdotool search --onlyvisible --name '^Busy terminal$' 2>/dev/null | head -n 1 || true; }
terminal_up() { [ -n "$(terminal)" ]; }
poll 10 terminal_up || give_up "the terminal did not come up"
wmctrl -i -r "$(terminal)" -b add,maximized_vert,maximized_horz
# Where the terminal's frame ends: its height as xdotool reads it, below its top as xwininfo reads it
# (this xdotool counts the frame twice in the position of a framed window), and the frame's bottom
# border. Prints nothing while the terminal is not up.
terminal_bottom() {
    local id geometry extents x y width height depth mapped override
    id=$(terminal)
    [ -n "$id" ] && read_geometry "$id" || return 0
    geometry=$(xdotool getwindowgeometry "$id" 2>/dev/null | sed -n 's/^ *Geometry: [0-9]*x\([0-9]*\)$/\1/p')
    extents=$(xprop -id "$id" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/^[^=]*= //p' | tr -d ' ')
    echo $((y + geometry + ${extents##*,}))
}
# xterm asks for whole lines, so a maximised one may end up to a line short of the room it has.
line=40
ends_above_subtitles() {
    local bottom
    bottom=$(terminal_bottom)
    [ -n "$bottom" ] && [ "$bottom" -le "$subtitles_top" ] && [ "$bottom" -gt $((subtitles_top - line)) ]
}
poll 10 ends_above_subtitles ||
    fail "the maximised terminal does not end where the subtitles begin (y $subtitles_top): it ends at $(terminal_bottom)"
note "maximised terminal ends at y $(terminal_bottom) ($(xdotool getwindowgeometry "$(terminal)" | tr -s '\n ' ' ')); subtitles from y $subtitles_top"
# A click as the user makes it: GNOME takes no input that X clients make up.
click_at() {
    if [ "$session" = gnome ]; then
        "$here/gnome-pointer" click "$1" "$2"
    else
        xdotool mousemove --sync "$1" "$2" click 1
    fi
}
click_at 200 150
screenshot docked

# ---- three lines of a reading: finished ones stay above the one being spoken
make_reading reading 0870 0880 0890 0920 0930
# Words of the reading that the recogniser hears; it misses others.
reading_words='john|consider|power|young|man|disposed|cold|selfish|married|woman|respectable|made|himself|might|more'
paplay -d "$VOXLUME_DESKTOP_FEED" "$out/reading.wav" &
player=$!
lines_read=0
three_lines_read() {
    shots=$((shots + 1))
    local shot=$out/$(printf '%02d' "$shots")-lines.png
    screenshot_screen "$shot" || return 1
    read_geometry "$subtitles" || return 1
    convert "$shot" -crop "${width}x$height+$x+$y" +repage -colorspace gray -negate -resize 200% \
        "${shot%.png}-ocr.png"
    tesseract "${shot%.png}-ocr.png" "${shot%.png}-ocr" --psm 6 >/dev/null 2>&1 || return 1
    lines_read=$(grep -Eciw "$reading_words" "${shot%.png}-ocr.txt" || true)
    [ "$lines_read" -ge 3 ]
}
poll 40 three_lines_read ||
    fail "while the reading played, the subtitles did not read as three lines of its words: $lines_read lines ($(tr '\n' '/' <"$out/$(printf '%02d' "$shots")-lines-ocr.txt"))"
note "three lines read: $(tr '\n' '/' <"$out/$(printf '%02d' "$shots")-lines-ocr.txt")"
wait "$player" || fail "paplay could not play the reading into the virtual microphone"
# Qt writes the window's type again whenever its flags change, as click-through changes them: once
# the window takes no input (its input shape is empty), its type must still be a panel's.
takes_no_input() {
    /usr/bin/python3 - "$subtitles" <<'PYTHON'
import ctypes, sys
x = ctypes.CDLL("libX11.so.6")
shape = ctypes.CDLL("libXext.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
shape.XShapeGetRectangles.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int,
                                      ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_int)]
shape.XShapeGetRectangles.restype = ctypes.c_void_p
display = x.XOpenDisplay(None)
count, ordering = ctypes.c_int(-1), ctypes.c_int()
shape.XShapeGetRectangles(display, int(sys.argv[1]), 2, ctypes.byref(count), ctypes.byref(ordering))
sys.exit(0 if count.value == 0 else 1)
PYTHON
}
sed -i '$a overlayClickThrough=true' "$settings"
poll 5 takes_no_input || fail "the docked subtitles still take input after click-through was turned on"
is_panel || fail "with click-through on, the docked subtitles lost their panel's window type: $(window_type)"
read_geometry "$subtitles"
[ "$mapped" = yes ] || fail "the docked subtitles are no longer shown over the focused terminal"

# ---- floating: the strip is given back, and the maximised window grows into it
choose_position floating
strut_gone() { [ -z "$(strut "$subtitles" _NET_WM_STRUT_PARTIAL)" ] && [ -z "$(strut "$subtitles" _NET_WM_STRUT)" ]; }
poll 10 strut_gone ||
    fail "floating, the subtitles still keep a strip: _NET_WM_STRUT_PARTIAL = $(strut "$subtitles" _NET_WM_STRUT_PARTIAL)"
floating() { read_geometry "$subtitles" && [ "$width" -lt "$screen_width" ]; }
poll 10 floating || fail "the subtitles still span the screen after the switch to Floating: ${width}x$height at $x,$y"
is_panel && fail "floating, the subtitles still have a panel's window type: $(window_type)"
below_subtitles_top() {
    local bottom
    bottom=$(terminal_bottom)
    [ -n "$bottom" ] && [ "$bottom" -gt $((subtitles_top + strip / 2)) ]
}
poll 10 below_subtitles_top ||
    fail "the maximised terminal did not grow into the strip given back: it ends at $(terminal_bottom)"
note "floating: subtitles ${width}x$height at $x,$y; the terminal now ends at $(terminal_bottom)"
screenshot floating

# ---- docked again: the strip is kept again
choose_position bottom
poll 10 docked_at_bottom || fail "docked again, the subtitles are not across the bottom: ${width}x$height at $x,$y"
poll 5 strut_kept || fail "docked again, the subtitles keep no strip: $(strut "$subtitles" _NET_WM_STRUT_PARTIAL)"
poll 10 ends_above_subtitles ||
    fail "docked again, the maximised terminal does not end where the subtitles begin: it ends at $(terminal_bottom)"
screenshot docked-again

# ---- minimised while docked: window managers do not minimise panels, so the window hides and
# gives its strip back; Start on the session bus, as the menu's Show Live Subtitles, shows it again
sed -i 's/^overlayClickThrough=.*/overlayClickThrough=false/' "$settings"
takes_input() { ! takes_no_input; }
poll 5 takes_input || fail "the docked subtitles still let the mouse through after click-through was turned off"
read_geometry "$subtitles"
# The minimise button: the second of the title strip, 14 pixels square, 32 pixels from the left.
click_at $((x + 39)) $((y + 13))
hidden() { read_geometry "$subtitles" && [ "$mapped" = no ]; }
poll 5 hidden || fail "the minimise button did not take the docked subtitles away"
poll 5 strut_gone || fail "minimised, the subtitles still keep their strip: $(strut "$subtitles" _NET_WM_STRUT_PARTIAL)"
poll 10 below_subtitles_top ||
    fail "the maximised terminal did not grow into the strip of the minimised subtitles: it ends at $(terminal_bottom)"
gdbus call --session --dest io.github.voxlume.Voxlume --object-path /io/github/voxlume/Voxlume \
    --method io.github.voxlume.Voxlume.Captions.Start >"$out/start.log" 2>&1 ||
    fail "Start over the bus failed: $(cat "$out/start.log")"
shown_again() { docked_at_bottom && [ "$mapped" = yes ] && strut_kept && is_panel; }
poll 10 shown_again ||
    fail "shown again, the subtitles are not docked as before: ${width}x$height at $x,$y, $(strut "$subtitles" _NET_WM_STRUT_PARTIAL), $(window_type)"
poll 10 ends_above_subtitles ||
    fail "shown again, the maximised terminal does not end where the subtitles begin: it ends at $(terminal_bottom)"
exit 0
