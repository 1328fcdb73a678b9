#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A call heard from both sides: with "Listen to" set to the microphone and the computer's sound,
# Voxlume writes what is said into the microphone and what the computer plays; a voice that the
# microphone picks up again from the speakers is written once; when the microphone goes away
# during a run, the computer's sound is still heard and the user is told; and the computer's sound
# follows the default output when the user moves it to another device during a run. Each part is
# a run of its own, read back from the store.
# Usage: scripts/desktop both-sides-on-desktop.sh VOXLUME
set -eEuo pipefail

program=${1:?usage: scripts/desktop $0 PATH-OF-VOXLUME}
. "$(dirname "$0")/checks.sh"
. "$(dirname "$0")/session.sh"
begin_desktop_test BothSidesOnDesktop xdotool xwininfo xprop import convert tesseract sox soxi paplay \
    pactl sqlite3
pid=

finish() {
    local status=$?
    trap - EXIT ERR
    set +e
    stop_processes $pid
    if [ "$failures" -gt 0 ] || [ "$status" -ne 0 ]; then
        echo "=== Voxlume's output"
        tail -n 40 "$out/voxlume.log" 2>/dev/null
        echo "=== the sound server's devices"
        pactl list short sinks
        pactl list short sources
        echo "=== screenshots, speech and logs are kept in $out"
        exit 1
    fi
    echo "PASS: both sides of a call written, an echo written once, the computer's sound heard without the microphone, and followed to a new default output"
}
trap finish EXIT
trap 'fail "unexpected failure of: $BASH_COMMAND (line $LINENO)"' ERR

running() { ! exited "$pid"; }

# What each side says: read speech, of which the recogniser gets most words. Within a run no
# word counted stands in both sides' sentences, so that each word found tells which side it came
# from.
make_reading near 0890
near_words=(cold hearted rather selfish)
make_reading far 0920
far_words=(married amiable woman respectable)
make_reading echoed 0870
# Words that the recogniser writes when it hears this sentence clearly: an echo left in the mix
# does not make it write them twice, but blurs them into other words.
echoed_words=(john leisure consider much there might his power)
make_reading alone 0880 0930
alone_words=(young man might even made)
make_reading moved 0920
moved_words=("${far_words[@]}")
# The two sides take turns, as in a call (the recogniser cannot read two voices at once), but
# both play from the same moment on: the far side's sentence starts as the near side's ends.
sox "$out/far.wav" "$out/far-after-near.wav" pad "$(soxi -D "$out/near.wav")"
# The far side's voice again from the speakers into the microphone: 100 ms later, 10 dB quieter.
sox "$out/echoed.wav" "$out/echo.wav" pad 0.1 vol 0.3

# The computer's own output, apart from the microphone's sink, in the format most outputs have.
pactl load-module module-null-sink sink_name=speakers rate=48000 channels=2 >/dev/null
pactl set-default-sink speakers
write_settings mixComputerSound=true

database=$XDG_DATA_HOME/Voxlume/Transcripts.sqlite
stored_runs() {
    [ -f "$database" ] || { echo 0; return; }
    sqlite3 -cmd '.timeout 2000' "$database" 'SELECT count(*) FROM Transcript' 2>/dev/null || echo 0
}
newest_text() {
    sqlite3 -cmd '.timeout 2000' "$database" \
        'SELECT sourceText FROM Transcript ORDER BY rowid DESC LIMIT 1' 2>/dev/null || true
}
# How often WORD stands in TEXT, whole and in any case.
occurrences() { { grep -oiw -- "$1" <<<"$2" || true; } | wc -l; }
# How many of the WORDS (after TEXT) stand in TEXT at least once.
words_found() {
    local text=$1 word found=0
    shift
    for word in "$@"; do
        [ "$(occurrences "$word" "$text")" -eq 0 ] || found=$((found + 1))
    done
    echo "$found"
}

subtitles_up() {
    running || give_up "Voxlume ended: $(tail -n 3 "$out/voxlume.log")"
    find_subtitles
}
subtitles_gone() { ! find_subtitles; }
runs_before=0
# Starts live subtitles, as the tray menu's Start does, and waits until capture had time to begin.
start_run() {
    runs_before=$(stored_runs)
    "$program" --toggle
    poll 20 subtitles_up || give_up "the subtitles did not come up for $1"
    sleep 2
}
# Stops the run, after the recogniser had time to finish, and sets \$text to what it stored: a
# run that heard nothing stores nothing.
end_run() {
    sleep 3
    "$program" --toggle
    poll 10 subtitles_gone || fail "the subtitles are still shown 10 s after they were stopped"
    stored() { [ "$(stored_runs)" -gt "$runs_before" ]; }
    if poll 10 stored; then
        text=$(newest_text)
    else
        text=
    fi
    note "$1 stored: ${text:-nothing}"
}

"$program" >"$out/voxlume.log" 2>&1 &
pid=$!
menu_up() {
    running || give_up "Voxlume ended right after it was launched: $(tail -n 3 "$out/voxlume.log")"
    menu_reachable
}
poll 30 menu_up || give_up "no $(menu_place) of Voxlume within 30 s"

# ---- both sides: one sentence into the microphone, the other played by the computer
start_run "both sides"
paplay -d "$VOXLUME_DESKTOP_FEED" "$out/near.wav" &
paplay -d speakers "$out/far-after-near.wav"
wait $!
end_run "both sides"
near_heard=$(words_found "$text" "${near_words[@]}")
far_heard=$(words_found "$text" "${far_words[@]}")
[ "$near_heard" -ge 2 ] ||
    fail "the microphone's side is missing: $near_heard of ${near_words[*]} written"
[ "$far_heard" -ge 2 ] ||
    fail "the computer's side is missing: $far_heard of ${far_words[*]} written"

# ---- the echo: the far side's voice on the speakers, and again in the microphone
start_run "the echo"
paplay -d "$VOXLUME_DESKTOP_FEED" "$out/echo.wav" &
paplay -d speakers "$out/echoed.wav"
wait $!
end_run "the echo"
counts=()
for word in "${echoed_words[@]}"; do
    counts+=("$word $(occurrences "$word" "$text")")
done
note "the echoed sentence's words, written how often: $(IFS=,; echo "${counts[*]}" | sed 's/,/, /g')"
echoed_heard=$(words_found "$text" "${echoed_words[@]}")
[ "$echoed_heard" -ge 5 ] ||
    fail "the sentence with an echo was written blurred: $echoed_heard of ${#echoed_words[@]} words it has when heard clearly"
for count in "${counts[@]}"; do
    [ "${count#* }" -le 1 ] || fail "the echo was written as well: ${count% *} ${count#* } times"
done

# ---- the microphone goes away during a run; the computer's sound is still heard
start_run "the lost microphone"
microphone_module=$(pactl list short modules | awk '$2 == "module-remap-source" { print $1 }')
[ -n "$microphone_module" ] || give_up "the virtual microphone's module was not found"
pactl unload-module "$microphone_module"
loss_notice="The microphone cannot be heard. Listening to the computer's sound alone."
notice_logged() { grep -qF "$loss_notice" "$out/voxlume.log"; }
poll 10 notice_logged || fail "no notice that the microphone cannot be heard was logged"
# The notice as the user sees it: read from the screen where its alert stands.
notice_read() {
    local alert shot=$out/notice.png
    alert=$(xdotool search --onlyvisible --name '^Input Changed' 2>/dev/null | head -n 1 || true)
    [ -n "$alert" ] && read_geometry "$alert" && import -window root "$shot" || return 1
    convert "$shot" -crop "${width}x$height+$x+$y" +repage -colorspace gray -resize 200% \
        "$out/notice-ocr.png"
    tesseract "$out/notice-ocr.png" "$out/notice-ocr" >/dev/null 2>&1 || return 1
    tr '\n' ' ' <"$out/notice-ocr.txt" | grep -q 'microphone cannot be heard'
}
poll 10 notice_read ||
    fail "the screen shows no notice that the microphone cannot be heard: read $(tr '\n' ' ' <"$out/notice-ocr.txt" 2>/dev/null)"
running || give_up "Voxlume ended when the microphone went away"
paplay -d speakers "$out/alone.wav"
end_run "the lost microphone"
alone_heard=$(words_found "$text" "${alone_words[@]}")
[ "$alone_heard" -ge 2 ] ||
    fail "the computer's sound was not heard after the microphone went away: $alone_heard of ${alone_words[*]} written"

# ---- the microphone back, and the default output moved to headphones during a run
pactl load-module module-remap-source master="$VOXLUME_DESKTOP_FEED.monitor" source_name=virtmic \
    >/dev/null
pactl set-default-source virtmic
pactl load-module module-null-sink sink_name=headphones rate=48000 channels=2 >/dev/null
start_run "the moved output"
pactl set-default-sink headphones
sleep 2
paplay -d headphones "$out/moved.wav"
end_run "the moved output"
moved_heard=$(words_found "$text" "${moved_words[@]}")
[ "$moved_heard" -ge 2 ] ||
    fail "the computer's sound did not follow the default output to headphones: $moved_heard of ${moved_words[*]} written"
exit 0
