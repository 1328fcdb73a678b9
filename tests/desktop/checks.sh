# SPDX-License-Identifier: GPL-3.0-or-later
# What the desktop tests share: counting failures, and waiting with a bound. Sourced.
failures=0

# Stops unless this runs on the private desktop of scripts/desktop with every tool named after \$1;
# then reads every program in English and makes \$out, named \$1, for screenshots and logs.
begin_desktop_test() {
    local name=$1 tool
    shift
    if [ -z "${DISPLAY:-}" ] || [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] ||
        [ -z "${VOXLUME_DESKTOP_FEED:-}" ]; then
        echo "FAIL: no private desktop; run this through scripts/desktop"
        exit 2
    fi
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/setup installs it)"; exit 2; }
    done
    export LC_ALL=C.UTF-8
    unset LANGUAGE
    out=$PWD/$name
    rm -rf "$out"
    mkdir -p "$out"
}

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
note() { echo "-- $*"; }
# Fails, and ends the test: what comes after could only fail for the same cause.
give_up() {
    fail "$*"
    exit 1
}

# Runs a check until it succeeds, for at most SECONDS; nothing here waits without a bound.
poll() {
    local seconds=$1
    shift
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.2
    done
}

# Ends each process given that still runs, asking first, and waits for the shell's children.
stop_processes() {
    local process
    for process in "$@"; do
        exited "$process" && continue
        kill -TERM "$process"
        poll 10 exited "$process" || kill -KILL "$process"
    done
    wait 2>/dev/null
}

# Whether process $1 has ended (a zombie counts: it runs no more).
exited() { ! kill -0 "$1" 2>/dev/null || [[ $(ps -o stat= -p "$1") == Z* ]]; }

# Words with long vowels that Debian's English model hears in espeak-ng's voice; the recogniser gets
# the small words wrong, so checks look for these.
sentence="The weather was beautiful and the garden was green."
distinctive=(weather beautiful garden green)

# Half a second of low noise, in \$out/noise.wav, to stand on each side of speech: after digital
# silence the recogniser loses words.
make_noise() { sox -R -n -r 16000 -c 1 -b 16 "$out/noise.wav" synth 0.5 whitenoise vol 0.002; }

# Speaks the sentence into \$out/speech.wav, as the virtual microphone should hear it.
make_speech() {
    espeak-ng -v en-us -s 140 -w "$out/voice.wav" "$sentence"
    make_noise
    sox "$out/voice.wav" -r 16000 -c 1 -b 16 -e signed-integer "$out/voice16k.wav"
    sox "$out/noise.wav" "$out/voice16k.wav" "$out/noise.wav" "$out/speech.wav"
}

# Read speech from pocketsphinx-testdata, which the recogniser gets far more words of than
# espeak-ng's voice: the clips numbered CLIP... (of 0870 0880 0890 0920 0930), one after another,
# into \$out/NAME.wav.
make_reading() {
    local name=$1 clip clips=()
    shift
    for clip in "$@"; do
        clips+=("/usr/share/pocketsphinx/test/data/librivox/sense_and_sensibility_01_austen_64kb-$clip.wav")
    done
    make_noise
    sox "$out/noise.wav" "${clips[@]}" "$out/noise.wav" "$out/$name.wav"
}

# Sets x, y, width, height, depth, mapped and override of window \$1 from xwininfo.
read_geometry() {
    local info
    info=$(xwininfo -id "$1" 2>/dev/null) || return 1
    x=$(sed -n 's/^ *Absolute upper-left X: *//p' <<<"$info")
    y=$(sed -n 's/^ *Absolute upper-left Y: *//p' <<<"$info")
    width=$(sed -n 's/^ *Width: *//p' <<<"$info")
    height=$(sed -n 's/^ *Height: *//p' <<<"$info")
    depth=$(sed -n 's/^ *Depth: *//p' <<<"$info")
    mapped=$(grep -q 'Map State: IsViewable' <<<"$info" && echo yes || echo no)
    override=$(sed -n 's/^ *Override Redirect State: *//p' <<<"$info")
}

# Writes the settings of a user who has started subtitles before (no welcome window stands beside
# them), listening to English without translation, with errors shown; then each KEY=VALUE given.
write_settings() {
    mkdir -p "$XDG_CONFIG_HOME/Voxlume"
    printf '%s\n' '[General]' isOnboardingComplete=true selectedFromLanguage=en-US \
        selectedToLanguage=en-US showErrors=true "$@" >"$XDG_CONFIG_HOME/Voxlume/Voxlume.ini"
}

# For a test's EXIT trap, given the status it ended with: after a failure, prints the end of every
# log in \$out and exits with 1.
exit_on_failure() {
    local log
    [ "$failures" -eq 0 ] && [ "$1" -eq 0 ] && return 0
    for log in "$out"/*.log; do
        echo "=== $(basename "$log")"
        tail -n 30 "$log"
    done
    exit 1
}
