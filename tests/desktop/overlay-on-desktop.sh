#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts Voxlume on the desktop that scripts/desktop makes, speaks a sentence into its microphone and
# judges the result with the tools a person's desktop has: window properties, screenshots read by
# OCR, and mouse clicks on the tray icon's menu. Usage: scripts/desktop overlay-on-desktop.sh VOXLUME
set -eEuo pipefail

program=${1:?usage: scripts/desktop $0 PATH-OF-VOXLUME}
. "$(dirname "$0")/checks.sh"
# The menu is read in English, whatever the developer's own language.
begin_desktop_test OverlayOnDesktop xprop xwininfo xdotool import convert tesseract espeak-ng sox \
    paplay sqlite3
pid=

finish() {
    local status=$?
    trap - EXIT ERR
    set +e
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill -TERM "$pid"
        poll 10 exited "$pid" || kill -KILL "$pid"
        wait "$pid" 2>/dev/null
    fi
    if [ "$failures" -gt 0 ] || [ "$status" -ne 0 ]; then
        echo "=== Voxlume's output"
        tail -n 60 "$out/voxlume.log" 2>/dev/null
        echo "=== screenshots, OCR and logs are kept in $out"
        exit 1
    fi
    echo "PASS: subtitles shown, read, stopped from the tray, stored and shown in the history; the menu offered without a tray"
}
trap finish EXIT
trap 'fail "unexpected failure of: $BASH_COMMAND (line $LINENO)"' ERR

running() { kill -0 "$pid" 2>/dev/null && [ "$(ps -o stat= -p "$pid")" != Z ]; }

voxlume_windows() { xdotool search --onlyvisible --class Voxlume 2>/dev/null || true; }

# The tray icon is the Voxlume window that the tray host (trayer) took in: one of its ancestors
# is trayer's own window.
embedded() {
    local window=$1 parent
    while parent=$(xwininfo -tree -id "$window" 2>/dev/null | sed -n 's/^ *Parent window id: \(0x[0-9a-f]*\).*/\1/p') &&
        [ -n "$parent" ] && [ "$((parent))" -ne "$((root_window))" ]; do
        xprop -id "$parent" WM_CLASS 2>/dev/null | grep -qi '"trayer"' && return 0
        window=$parent
    done
    return 1
}
root_window=$(xwininfo -root | sed -n 's/^xwininfo: Window id: \(0x[0-9a-f]*\).*/\1/p')

find_overlay() {
    local window best=0
    overlay=
    for window in $(voxlume_windows); do
        read_geometry "$window" || continue
        [ "$override" = no ] && [ $((width * height)) -gt "$best" ] || continue
        embedded "$window" && continue
        best=$((width * height))
        overlay=$window
    done
    [ -n "$overlay" ]
}

find_tray_icon() {
    local window
    tray_icon=
    for window in $(voxlume_windows); do
        if embedded "$window"; then
            tray_icon=$window
            return 0
        fi
    done
    return 1
}

# Grey level (0-255) of one pixel of a screenshot.
grey_at() { convert "$1" -crop "1x1+$2+$3" -colorspace gray -format '%[fx:int(255*p{0,0}+0.5)]' info:; }

shot_count=0
screenshot() {
    shot_count=$((shot_count + 1))
    shot=$out/$(printf '%02d' "$shot_count")-$1.png
    import -window root "$shot"
}

# The subtitle window's background, sampled where neither its buttons nor its text lie; over the
# white root, black at 80 % opacity composites to grey 51.
overlay_background_is_translucent_black() {
    screenshot background
    read_geometry "$overlay" || return 1
    background_levels=
    local dark=0 px py level
    for point in "8 $((height / 2))" "$((width - 8)) $((height / 2))" "$((width / 2)) $((height / 4))"; do
        read -r px py <<<"$point"
        level=$(grey_at "$shot" $((x + px)) $((y + py)))
        background_levels+=" $level"
        [ "$level" -ge 36 ] && [ "$level" -le 66 ] && dark=$((dark + 1))
    done
    [ "$dark" -ge 2 ]
}

# ---- settings and speech, made before the program starts
# A user who has started subtitles before: no welcome window stands beside the subtitles.
write_settings startImmediately=true

# The check asks for any two of the distinctive words.
make_speech

# ---- the subtitle window
"$program" >"$out/voxlume.log" 2>&1 &
pid=$!
overlay_shown() {
    running || give_up "Voxlume ended before it showed a subtitle window"
    find_overlay
}
poll 30 overlay_shown || give_up "no subtitle window of class Voxlume appeared within 30 s"
note "subtitle window $overlay"

above() { xprop -id "$overlay" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE; }
poll 5 above || fail "the subtitle window does not stay above others: $(xprop -id "$overlay" _NET_WM_STATE)"
name=$(xprop -id "$overlay" -notype WM_NAME)
if ! grep -Eq -e '= (""|)$' -e 'not found' <<<"$name"; then
    fail "the subtitle window has a title: $name"
fi
class=$(xprop -id "$overlay" -notype WM_CLASS)
grep -q '"Voxlume"' <<<"$class" || fail "the subtitle window's class is not Voxlume: $class"

# The window manager may still be placing it; the size and place are judged once they settle.
centred() {
    read_geometry "$overlay" && [ "$width" = 1000 ] && [ "$height" = 200 ] &&
        [ $((x + width / 2 - 800)) -ge -10 ] && [ $((x + width / 2 - 800)) -le 10 ] &&
        [ $((y + height / 2 - 450)) -ge -30 ] && [ $((y + height / 2 - 450)) -le 30 ]
}
poll 5 centred || fail "the subtitle window is not 1000x200 in the middle of the 1600x900 screen: ${width}x$height at $x,$y"
[ "$depth" = 32 ] || fail "the subtitle window has no alpha channel: depth $depth, not 32"

frame=$(xprop -id "$overlay" -notype _NET_FRAME_EXTENTS)
case $frame in
*'= 0, 0, 0, 0') ;;
*'not found'*)
    # Not framed by the window manager at all; then it must have asked for no decorations.
    xprop -id "$overlay" _MOTIF_WM_HINTS | grep -Eq '= (0x)?[0-9a-f]+, (0x)?[0-9a-f]+, 0x0' ||
        fail "the subtitle window asks for window-manager decorations: $(xprop -id "$overlay" _MOTIF_WM_HINTS)" ;;
*) fail "the window manager draws a frame around the subtitle window: $frame" ;;
esac

# The pointer rests in a corner so that hovering reveals nothing that would cover the samples.
xdotool mousemove --sync 5 895
background_levels=
poll 5 overlay_background_is_translucent_black ||
    fail "the subtitle window's background is not black at 80 % over white (grey about 51): grey levels$background_levels"

# ---- speech in, subtitles out
declare -A seen=()
lowest_text=0
ocr_text=$out/subtitles-ocr.txt
: >"$ocr_text"
read_subtitles() {
    screenshot subtitles
    read_geometry "$overlay" || return 1
    local crop=${shot%.png}-ocr
    convert "$shot" -crop "${width}x$height+$x+$y" +repage -colorspace gray -negate -resize 200% \
        "$crop.png"
    tesseract "$crop.png" "$crop" --psm 6 tsv >/dev/null 2>&1 || return 1
    # Columns 7-10 are a word's box in the doubled image, 12 its text.
    local left top box_width box_height confidence word
    while IFS=$'\t' read -r left top box_width box_height confidence word; do
        word=$(tr -cd '[:alpha:]' <<<"${word,,}")
        echo "$word" >>"$ocr_text"
        # The lowest line of clearly read words, to judge where the text sits.
        if [ "${#word}" -ge 3 ] && [ "${confidence%.*}" -ge 60 ] && [ $((y + (top + box_height) / 2)) -gt "$lowest_text" ]; then
            lowest_text=$((y + (top + box_height) / 2))
        fi
        for expected in "${distinctive[@]}"; do
            [ "$word" = "$expected" ] && [ -z "${seen[$expected]:-}" ] || continue
            seen[$expected]="$((x + left / 2)) $((y + top / 2)) $((box_width / 2)) $((box_height / 2)) $shot"
        done
    done < <(awk -F'\t' 'NR > 1 && $12 != "" { print $7 "\t" $8 "\t" $9 "\t" $10 "\t" $11 "\t" $12 }' "$crop.tsv")
}
enough_words_read() {
    read_subtitles || true
    [ "${#seen[@]}" -ge 2 ]
}
paplay -d "$VOXLUME_DESKTOP_FEED" "$out/speech.wav" &
player=$!
# Read all along: a partial line may show words that the final one changes, and the other way round.
while running && ! exited "$player"; do
    enough_words_read && break
done
wait "$player" || fail "paplay could not play into the virtual microphone"
[ "${#seen[@]}" -ge 2 ] || poll 12 enough_words_read || true
if [ "${#seen[@]}" -lt 2 ]; then
    fail "OCR read ${#seen[@]} of the spoken words (${!seen[*]}), not 2 of: ${distinctive[*]}; it read: $(sort -u "$ocr_text" | tr '\n' ' ')"
else
    note "read on screen: ${!seen[*]}"
    # The README's picture: the whole sentence once it is said, with a margin of the desktop.
    sleep 1
    screenshot said
    convert "$shot" -crop "$((width + 80))x$((height + 80))+$((x - 40))+$((y - 40))" +repage \
        "$out/subtitles-on-desktop.png"
    # Near the bottom: however many lines the text takes, its last one ends in the lowest quarter.
    [ "$lowest_text" -ge $((y + height * 3 / 4)) ] ||
        fail "the subtitles are not near the bottom of the window: the text ends at $lowest_text, the window spans $y..$((y + height))"
    for word in "${!seen[@]}"; do
        read -r wx wy ww wh wshot <<<"${seen[$word]}"
        # Letters of about 35 pt at 96 dpi are some 25-45 pixels tall, ascenders included.
        [ "$wh" -ge 18 ] && [ "$wh" -le 70 ] ||
            fail "the subtitle \"$word\" is $wh pixels tall, not the size of 35 pt letters"
        brightest=$(convert "$wshot" -crop "${ww}x$wh+$wx+$wy" -colorspace gray -format '%[fx:int(255*maxima+0.5)]' info:)
        [ "$brightest" -ge 200 ] || fail "the subtitle \"$word\" is not white: brightest grey $brightest"
    done
fi

# ---- the tray menu
find_tray_icon_window() { running && find_tray_icon; }
menu=
# Opens the tray icon's menu (left click, else right click) and reads it; sets menu and menu_words.
open_menu() {
    local before button window
    poll 10 find_tray_icon_window || { fail "no tray icon of class Voxlume is embedded in the tray"; return 1; }
    read_geometry "$tray_icon"
    local icon_x=$((x + width / 2)) icon_y=$((y + height / 2))
    before=$(voxlume_windows)
    new_menu() {
        menu=
        for window in $(voxlume_windows); do
            grep -qx "$window" <<<"$before" || { menu=$window; return 0; }
        done
        return 1
    }
    for button in 1 3; do
        xdotool mousemove --sync "$icon_x" "$icon_y" click "$button"
        poll 5 new_menu && break
    done
    [ -n "$menu" ] || { fail "neither a left nor a right click on the tray icon opened a menu"; return 1; }
    # A menu is drawn a moment after it is mapped; read it until its last item shows.
    read_menu() {
        screenshot "$1"
        read_geometry "$menu" || return 1
        menu_words=${shot%.png}-ocr
        convert "$shot" -crop "${width}x$height+$x+$y" +repage -resize 200% "$menu_words.png"
        tesseract "$menu_words.png" "$menu_words" --psm 6 tsv >/dev/null 2>&1 || return 1
        menu_words=$menu_words.tsv
        grep -qi $'\tquit$' "$menu_words"
    }
    poll 5 read_menu "$1" || { fail "the tray menu has no Quit item: it reads $(menu_text)"; return 1; }
    menu_x=$x menu_y=$y
}
menu_text() { awk -F'\t' 'NR > 1 && $12 != "" { printf "%s ", $12 }' "$menu_words"; }
# Box of the first word WORD in the menu, as "left top width height" in screen pixels.
menu_word_box() {
    awk -F'\t' -v word="$1" -v mx="$menu_x" -v my="$menu_y" \
        'NR > 1 && tolower($12) == tolower(word) { print int(mx + $7 / 2), int(my + $8 / 2), int($9 / 2), int($10 / 2); exit }' \
        "$menu_words"
}
# The item that reads WORDS is the first of the menu when it is the line of the topmost word.
first_item_reads() {
    local line
    line=$(awk -F'\t' 'NR > 1 && $12 != "" { key[NR] = $3 FS $4 FS $5; text[NR] = $12
                                              if (top == "" || $8 < top) { top = $8; first = key[NR] } }
                         END { for (i = 2; i <= NR; i++) if (i in key && key[i] == first) printf "%s ", text[i] }' \
        "$menu_words")
    [ "${line% }" = "$1" ]
}

# ---- the settings window: its transparency reaches the open subtitle window at once
# Settings... is the sixth item the keyboard reaches; in the settings window the transparency slider
# is the seventh control, after the font size, the font, the two colours, the outline and the
# lines, and End moves it to fully clear.
overlay_background_is_clear() {
    screenshot clear-background
    read_geometry "$overlay" || return 1
    local clear=0 level
    for px in 8 $((width - 8)); do
        level=$(grey_at "$shot" $((x + px)) $((y + height / 2)))
        [ "$level" -ge 200 ] && clear=$((clear + 1))
    done
    [ "$clear" -eq 2 ]
}
# Alt+L is the settings window's "Open Language Settings"; the search field has the focus.
languages_read() {
    local window
    window=$(xdotool search --onlyvisible --name '^Translation Languages$' 2>/dev/null | head -n 1)
    [ -n "$window" ] || return 1
    import -window "$window" "$out/languages.png"
    convert "$out/languages.png" -resize 200% "$out/languages-ocr.png"
    tesseract "$out/languages-ocr.png" "$out/languages" >/dev/null 2>&1
    grep -q 'English.*Spanish' "$out/languages.txt" && grep -q 'Installed' "$out/languages.txt"
}
check_translation_languages() {
    xdotool key alt+l
    sleep 1
    xdotool type --delay 50 'english spanish'
    poll 10 languages_read ||
        fail "the Translation Languages window does not list English → Spanish as installed: $(tr '\n' ' ' <"$out/languages.txt" 2>/dev/null)"
}
if open_menu menu-settings; then
    xdotool key Down Down Down Down Down Down Return
    sleep 1
    xdotool key Tab Tab Tab Tab Tab Tab End
    poll 5 overlay_background_is_clear ||
        fail "the subtitle window did not turn clear when the settings window's transparency went to the end"
    grep -q '^windowTransparency=1$' "$XDG_CONFIG_HOME/Voxlume/Voxlume.ini" ||
        fail "the settings window did not store the transparency"
    check_translation_languages
fi

stopped=
if open_menu menu-running; then
    if ! first_item_reads "Stop Live Subtitles"; then
        fail "the tray menu's first item does not read \"Stop Live Subtitles\" while subtitles run: $(menu_text)"
    fi
    quit_box=$(menu_word_box Quit)
    stop_box=$(menu_word_box Stop)
    if [ -n "$quit_box" ]; then
        read -r _ quit_top _ <<<"$quit_box"
        below_quit=$(awk -F'\t' -v quit_top="$((quit_top - menu_y))" 'NR > 1 && $12 != "" && $8 / 2 > quit_top + 5' "$menu_words" | wc -l)
        [ "$below_quit" -eq 0 ] || fail "Quit is not the tray menu's last item: $(menu_text)"
    fi
    if [ -z "$stop_box" ]; then
        fail "the tray menu has no Stop item to click: it reads $(menu_text)"
    else
        read -r sx sy sw sh <<<"$stop_box"
        xdotool mousemove --sync $((sx + sw / 2)) $((sy + sh / 2)) click 1
        overlay_gone() { ! read_geometry "$overlay" || [ "$mapped" = no ]; }
        if poll 10 overlay_gone; then
            stopped=yes
        else
            screenshot after-stop
            fail "the subtitle window is still shown 10 s after Stop was clicked"
        fi
        # Subtitles off: the same item now offers to start them again.
        if [ -n "$stopped" ] && open_menu menu-stopped; then
            first_item_reads "Start Live Subtitles" ||
                fail "after Stop, the tray menu's first item does not read \"Start Live Subtitles\": $(menu_text)"
            xdotool key Escape
        fi
    fi
fi

# ---- the stored transcript
database=$XDG_DATA_HOME/Voxlume/Transcripts.sqlite
stored_text() {
    [ -f "$database" ] &&
        transcript=$(sqlite3 -cmd '.timeout 2000' "$database" 'SELECT sourceText FROM Transcript' 2>&1) &&
        [ -n "$transcript" ]
}
check_transcript() {
    local stored=0 word
    if ! poll 10 stored_text; then
        fail "no transcript was stored in $database $1: ${transcript:-}"
        return
    fi
    note "stored transcript: $transcript"
    for word in "${distinctive[@]}"; do
        grep -qiw "$word" <<<"$transcript" && stored=$((stored + 1))
    done
    [ "$stored" -ge 1 ] || fail "the stored transcript holds none of: ${distinctive[*]}"
}
[ -n "$stopped" ] && check_transcript "after Stop"

# ---- the history window, opened from the tray menu, shows the run just stored
history_window() {
    history=$(xdotool search --onlyvisible --name '^Transcript History' 2>/dev/null | head -n 1)
    [ -n "$history" ]
}
history_above() { xprop -id "$history" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE; }
history_words=
# Reads the window; succeeds once it shows one of the distinctive words that the store holds.
read_history() {
    screenshot history
    read_geometry "$history" || return 1
    local crop=${shot%.png}-ocr word
    convert "$shot" -crop "${width}x$height+$x+$y" +repage -resize 200% "$crop.png"
    tesseract "$crop.png" "$crop" --psm 6 >/dev/null 2>&1 || return 1
    history_words=$(tr -cs '[:alpha:]' '\n' <"$crop.txt" | tr '[:upper:]' '[:lower:]' | sort -u)
    for word in "${distinctive[@]}"; do
        grep -qiw "$word" <<<"$transcript" && grep -qx "$word" <<<"$history_words" && return 0
    done
    return 1
}
if [ -n "$stopped" ] && [ -n "${transcript:-}" ] && open_menu menu-history; then
    history_box=$(menu_word_box History)
    if [ -z "$history_box" ]; then
        fail "the tray menu has no View History item: $(menu_text)"
    else
        read -r hx hy hw hh <<<"$history_box"
        xdotool mousemove --sync $((hx + hw / 2)) $((hy + hh / 2)) click 1
        if ! poll 10 history_window; then
            fail "View History opened no window titled Transcript History"
        else
            poll 5 history_above || fail "the history window does not stay above others: $(xprop -id "$history" _NET_WM_STATE)"
            poll 10 read_history ||
                fail "the history window shows none of the stored words (${distinctive[*]}); OCR read: $(tr '\n' ' ' <<<"$history_words")"
            xdotool windowactivate --sync "$history" key --clearmodifiers alt+F4
        fi
    fi
fi

# ---- a clean end
# Collects the ended program's exit status, failing with $1 unless it is 0.
reap() {
    local status=0
    wait "$pid" || status=$?
    pid=
    [ "$status" -eq 0 ] || fail "$1, with status $status"
}
if ! running; then
    fail "Voxlume ended by itself during the test"
    reap "It ended"
elif kill -TERM "$pid" && poll 15 exited "$pid"; then
    reap "Voxlume ended badly on SIGTERM"
else
    fail "Voxlume was still running 15 s after SIGTERM"
fi
[ -n "$stopped" ] || check_transcript "after SIGTERM"

# ---- a desktop without a tray: the menu's commands come in a window, and closing it quits
# Only this desktop's tray goes: its processes carry the desktop's mark.
for tray in $(pgrep -x trayer || true); do
    grep -qz "^VOXLUME_DESKTOP_ROOT=$VOXLUME_DESKTOP_ROOT\$" "/proc/$tray/environ" && kill "$tray"
done
sed -i 's/^startImmediately=.*/startImmediately=false/' "$XDG_CONFIG_HOME/Voxlume/Voxlume.ini"
"$program" >"$out/voxlume-trayless.log" 2>&1 &
pid=$!
menu_window() {
    menu_window=$(xdotool search --onlyvisible --name '^Voxlume$' 2>/dev/null | head -n 1)
    [ -n "$menu_window" ]
}
if ! poll 15 menu_window; then
    fail "without a tray, no window named Voxlume offered the menu"
else
    import -window "$menu_window" "$out/trayless-menu.png"
    tesseract "$out/trayless-menu.png" "$out/trayless-menu" >/dev/null 2>&1
    grep -q 'Start Live Subtitles' "$out/trayless-menu.txt" ||
        fail "the trayless window does not read Start Live Subtitles: $(tr '\n' ' ' <"$out/trayless-menu.txt")"
    # openbox closes the active window on Alt+F4, as most window managers do.
    xdotool windowactivate --sync "$menu_window" key --clearmodifiers alt+F4
    if poll 10 exited "$pid"; then
        reap "closing the trayless window ended Voxlume badly"
    else
        fail "Voxlume kept running, unreachable, after its trayless window was closed"
    fi
fi
exit 0
