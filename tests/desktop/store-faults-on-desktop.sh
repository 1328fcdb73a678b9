#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The transcript store fails the user: a damaged file at start, damage that only the check of the
# whole file finds, while subtitles already run, and a full disk during a run. Voxlume asks
# whether to go on without history and leaves the file as it was; what it could not store, on a
# full disk or in a store found damaged, it keeps, stores once there is room, and at quit writes to
# a text file, saying where. Usage: scripts/desktop store-faults-on-desktop.sh VOXLUME
set -eEuo pipefail

program=${1:?usage: scripts/desktop $0 PATH-OF-VOXLUME}
. "$(dirname "$0")/checks.sh"
. "$(dirname "$0")/session.sh"
begin_desktop_test StoreFaultsOnDesktop xdotool xwininfo import convert tesseract espeak-ng sox \
    paplay sqlite3 mount
pid=
full=

finish() {
    local status=$?
    trap - EXIT ERR
    set +e
    if [ -n "$pid" ] && ! exited "$pid"; then
        kill -KILL "$pid"
        wait "$pid" 2>/dev/null
    fi
    [ -z "$full" ] || umount "$full"
    if [ "$failures" -gt 0 ] || [ "$status" -ne 0 ]; then
        echo "=== Voxlume's output"
        tail -n 40 "$out/voxlume.log"
        exit 1
    fi
    echo "PASS: a damaged store was left alone with a choice to go on; a full disk lost no words"
}
trap finish EXIT
trap 'fail "unexpected failure of: $BASH_COMMAND (line $LINENO)"' ERR

running() { ! exited "$pid"; }
window_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
shows() { [ -n "$(window_named "$1")" ]; }
press() {
    xdotool windowactivate --sync "$(window_named "$1")" >/dev/null 2>&1 ||
        xdotool windowfocus --sync "$(window_named "$1")" >/dev/null 2>&1 || true
    xdotool key "$2"
}
start() {
    "$program" >>"$out/voxlume.log" 2>&1 &
    pid=$!
}
subtitles_up() {
    running || give_up "Voxlume ended before it showed its subtitles"
    find_subtitles
}

# Without alerts, which would cover the notice.
write_settings startImmediately=true showErrors=false
make_speech
store=$XDG_DATA_HOME/Voxlume/Transcripts.sqlite

# ---- a damaged store: Quit leaves it, and so does going on without history
mkdir -p "$(dirname "$store")"
head -c 8192 /dev/urandom >"$store"
before=$(sha256sum <"$store")
start
poll 20 shows '^Transcript History Unavailable' || give_up "no window said the store cannot be opened"
press '^Transcript History Unavailable' Escape
poll 10 exited "$pid" || give_up "Quit did not end Voxlume"
wait "$pid" && fail "Quit ended Voxlume with success" || true

start
poll 20 shows '^Transcript History Unavailable' || give_up "the second start did not ask again"
screenshot_screen "$out/damaged-store.png"
press '^Transcript History Unavailable' Return
poll 30 subtitles_up || give_up "no subtitles without history"
paplay -d "$VOXLUME_DESKTOP_FEED" "$out/speech.wav"
sleep 2
running || give_up "Voxlume ended while listening without history"
[ "$(sha256sum <"$store")" = "$before" ] || fail "the damaged store was changed"
kill -TERM "$pid"
poll 15 exited "$pid" || give_up "Voxlume did not quit without history"
pid=

# The file Voxlume kept unsaved transcripts in at quit, beside the store or in the cache folder.
kept_file() {
    { find "$XDG_DATA_HOME/Voxlume" "$XDG_CACHE_HOME/Voxlume" -name 'Unsaved transcripts *.txt' \
        2>/dev/null || true; } | head -n 1
}
words=$(IFS='|'; echo "${distinctive[*]}")
# Quits Voxlume, which has text it could not store: it must say so, and keep the words in a file.
quit_keeping_words() {
    kill -TERM "$pid"
    poll 20 shows '^Transcripts Not Saved' || give_up "quitting with unsaved text said nothing"
    screenshot_screen "$out/not-saved-$1.png"
    kept=$(kept_file)
    [ -n "$kept" ] || give_up "no file kept the unsaved text"
    grep -Eqi "$words" "$kept" ||
        fail "the kept file does not hold the words: $(ls -l "$kept"; head -c 300 "$kept")"
    grep -q "$kept" "$out/voxlume.log" || fail "the output does not say where the text is"
    press '^Transcripts Not Saved' Return
    poll 10 exited "$pid" || fail "Voxlume did not end after its last notice"
    pid=
    rm -f "$kept"
}

# ---- damage that the header does not show: found while subtitles run, and the file left alone
sqlite3 "$store.sound" "PRAGMA journal_mode = WAL; CREATE TABLE Transcript (id TEXT NOT NULL, sourceLanguageString TEXT NOT NULL,
    targetLanguageString TEXT NOT NULL, sourceText TEXT NOT NULL, targetText TEXT,
    timestamp TEXT NOT NULL);
    WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200)
    INSERT INTO Transcript SELECT lower(hex(randomblob(16))), 'en-US', 'en-US',
        hex(randomblob(2000)), NULL, '2024-05-01T08:00:00' FROM n;
    PRAGMA user_version = 1;" >/dev/null
# A page in the middle overwritten, which only reading every page finds.
mv "$store.sound" "$store"
dd if=/dev/urandom of="$store" bs=4096 seek=150 count=1 conv=notrunc status=none
before=$(sha256sum <"$store")
start
poll 30 subtitles_up || give_up "no subtitles while the store was checked"
poll 20 shows '^Transcript History Unavailable' || give_up "no window said the store is damaged"
screenshot_screen "$out/damaged-later.png"
press '^Transcript History Unavailable' Return
paplay -d "$VOXLUME_DESKTOP_FEED" "$out/speech.wav"
sleep 3
running || give_up "Voxlume ended after its store was found damaged"
[ "$(sha256sum <"$store")" = "$before" ] || fail "the store found damaged was changed"
quit_keeping_words damaged
[ "$(sha256sum <"$store")" = "$before" ] || fail "the store found damaged was changed at quit"

# ---- a full disk: the store on a small file system of its own, filled up during the run
export XDG_DATA_HOME=$out/data XDG_CACHE_HOME=$out/cache
mkdir -p "$XDG_DATA_HOME"
if ! mount -t tmpfs -o size=2m tmpfs "$XDG_DATA_HOME" 2>"$out/mount.log"; then
    note "SKIP full disk: no file system could be mounted here ($(cat "$out/mount.log"))"
    exit 0
fi
full=$XDG_DATA_HOME
store=$XDG_DATA_HOME/Voxlume/Transcripts.sqlite
stored_words() {
    sqlite3 -cmd '.timeout 2000' "$store" "SELECT sourceText FROM Transcript" 2>/dev/null || true
}
holds_speech() { grep -Eqi "$words" <<<"$(stored_words)"; }
fill() { dd if=/dev/zero of="$full/filler" bs=4k status=none 2>/dev/null || true; }
# The notice, read off the subtitles by OCR.
notice_says() {
    read_geometry "$subtitles" || return 1
    # The notice lies just under the title strip.
    screenshot_screen "$out/screen.png"
    convert "$out/screen.png" -crop "${width}x60+${x}+$((y + 20))" -resize 300% \
        "$out/notice-large.png"
    tesseract "$out/notice-large.png" "$out/notice" --psm 6 >/dev/null 2>&1 || return 1
    tr '\n' ' ' <"$out/notice.txt" | grep -qi "$1"
}

start
poll 30 subtitles_up || give_up "no subtitles on the small disk"
fill
paplay -d "$VOXLUME_DESKTOP_FEED" "$out/speech.wav"
poll 20 notice_says 'disk is full' || fail "no notice that the disk is full: $(cat "$out/notice.txt")"
screenshot_screen "$out/disk-full.png"
holds_speech && fail "a write went through on a full disk"
rm -f "$full/filler"
poll 20 holds_speech || fail "the kept text was not stored once there was room"
poll 10 eval '! notice_says "could not be saved"' || fail "the notice stayed after the text was stored"

# Full again, and Voxlume quits before there is room: the text goes to a file it names.
fill
paplay -d "$VOXLUME_DESKTOP_FEED" "$out/speech.wav"
sleep 3
quit_keeping_words full-disk
exit 0
