# SPDX-License-Identifier: GPL-3.0-or-later
# What the desktop tests share: counting failures, and waiting with a bound. Sourced.
failures=0

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
