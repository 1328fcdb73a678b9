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

# Whether process $1 has ended (a zombie counts: it runs no more).
exited() { ! kill -0 "$1" 2>/dev/null || [ "$(ps -o stat= -p "$1")" = Z ]; }
