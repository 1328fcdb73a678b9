#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs apertium-eng-cat through the Translation Languages model and the system's own PackageKit
# (polkit and PackageKit started by D-Bus activation, as root, who is authorised), checks that the
# pair then translates, and leaves the machine as it found it: it removes exactly the packages and
# downloaded archives that the install added, stops by their ids the daemons it started, and
# removes the bus and PackageKit files it made. Exits 77 (skipped) where it cannot run without
# touching what is not its own: not root, no network to Debian's archive, apt or dpkg busy, a
# system bus that is there but does not answer, or the pair installed already.
#
#   packagekit-install.sh INSTALL-LANGUAGE-PAIR
set -uo pipefail

helper=$1
package=apertium-eng-cat
# Well below PackageKit's own step timeout of 15 minutes, and CTest's for this test.
install_seconds=240

say() { echo "packagekit-install: $*"; }
skip() {
    say "skipped: $*"
    exit 77
}

# Packages on disk (config-files ones aside), and those of which only the configuration is left.
packages_in() {
    dpkg-query -W -f='${db:Status-Status} ${binary:Package}\n' | awk -v wanted="$1" '
        wanted == "present" && $1 != "not-installed" && $1 != "config-files" { print $2 }
        wanted == "config" && $1 == "config-files" { print $2 }' | sort
}

archives() { find /var/cache/apt/archives -maxdepth 1 -name '*.deb' | sort; }

bus_call() {
    dbus-send --system --print-reply=literal --reply-timeout=5000 --dest=org.freedesktop.DBus \
        /org/freedesktop/DBus "org.freedesktop.DBus.$1" "${@:2}" 2>/dev/null
}

owner_pid() { bus_call GetConnectionUnixProcessID "string:$1" | awk '{ print $2 }'; }

# The processes behind every connection to the bus but this script's own tools.
connection_pids() {
    local name
    for name in $(bus_call ListNames | tr -d '[]' | tr ' ' '\n' | grep '^:'); do
        bus_call GetConnectionUnixProcessID "string:$name" | awk '{ print $2 }'
    done | sort -u
}

[ "$(id -u)" -eq 0 ] || skip "needs root, whom polkit lets install without asking"
[ -x /usr/libexec/packagekitd ] && [ -x /usr/lib/polkit-1/polkitd ] ||
    skip "packagekit and polkitd are not installed (scripts/setup installs them)"
command -v apertium >/dev/null || skip "apertium is not installed"
status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null)
[ -z "$status" ] || [ "$status" = not-installed ] || skip "$package is there already ($status)"
lslocks -n -o PATH | grep -q '^/var/lib/dpkg/lock' && skip "apt or dpkg is at work"

work=$(mktemp -d)
bus_pid=
made_run_dbus=
made_transactions_db=
before_present=$work/present
before_config=$work/config
before_archives=$work/archives
daemons_before=$work/daemons

# Stops the daemons that the bus started for this test; on a bus of our own, every one is ours.
stop_daemons() {
    local pid daemon_pids=()
    # Before the bus was chosen, nothing of ours runs.
    [ -n "$bus_pid" ] || [ -f "$daemons_before" ] || return 0
    if [ -n "$bus_pid" ]; then
        mapfile -t daemon_pids < <(connection_pids)
    else
        for pid in $(owner_pid org.freedesktop.PackageKit) $(owner_pid org.freedesktop.PolicyKit1); do
            grep -qx "$pid" "$daemons_before" 2>/dev/null || daemon_pids+=("$pid")
        done
    fi
    for pid in "${daemon_pids[@]}"; do
        [ "$pid" = "$$" ] || kill -TERM "$pid" 2>/dev/null
    done
    for pid in "${daemon_pids[@]}"; do
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -KILL "$pid" 2>/dev/null
    done
}

cleanup() {
    local code=$? added reconfigured new_archives
    trap - EXIT INT TERM
    # First, so that no install is under way while packages are removed.
    stop_daemons
    if [ -f "$before_present" ]; then
        added=$(comm -13 "$before_present" <(packages_in present) | comm -23 - "$before_config")
        reconfigured=$(comm -13 "$before_present" <(packages_in present) | comm -12 - "$before_config")
        # Exactly what the install added: nothing else is removed, nothing auto-removed.
        if [ -n "$added" ]; then
            say "removing" $added
            DEBIAN_FRONTEND=noninteractive timeout 120 apt-get remove --purge -y -qq $added >/dev/null
        fi
        # Left with only their configuration, as they were.
        if [ -n "$reconfigured" ]; then
            DEBIAN_FRONTEND=noninteractive timeout 120 apt-get remove -y -qq $reconfigured >/dev/null
        fi
        new_archives=$(comm -13 "$before_archives" <(archives))
        [ -z "$new_archives" ] || rm -f $new_archives
    fi
    # Again: apt's PackageKit hook wakes the daemon up.
    stop_daemons
    if [ -n "$bus_pid" ]; then
        kill -TERM "$bus_pid" 2>/dev/null
        for _ in $(seq 50); do kill -0 "$bus_pid" 2>/dev/null || break; sleep 0.1; done
        rm -f /run/dbus/pid /run/dbus/system_bus_socket
        [ -z "$made_run_dbus" ] || rmdir /run/dbus/containers /run/dbus 2>/dev/null
    fi
    [ -z "$made_transactions_db" ] || rm -f /var/lib/PackageKit/transactions.db
    rm -rf "$work"
    exit "$code"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

(cd "$work" && timeout 30 apt-get download -qq "$package" >/dev/null 2>&1) ||
    skip "Debian's archive cannot be reached"

if [ -S /run/dbus/system_bus_socket ]; then
    bus_call GetId >/dev/null || skip "a system bus socket is there, but no bus answers on it"
    say "using the system bus that runs already"
    { owner_pid org.freedesktop.PackageKit; owner_pid org.freedesktop.PolicyKit1; } >"$daemons_before"
else
    [ -e /run/dbus/pid ] && skip "/run/dbus/pid is there without a bus: someone else's"
    [ -d /run/dbus ] || made_run_dbus=1
    mkdir -p /run/dbus
    dbus-daemon --system --fork --print-pid=3 3>"$work/bus.pid" || skip "the system bus cannot start"
    bus_pid=$(cat "$work/bus.pid")
    say "started a system bus ($bus_pid)"
fi
[ -e /var/lib/PackageKit/transactions.db ] || made_transactions_db=1

packages_in present >"$before_present"
packages_in config >"$before_config"
archives >"$before_archives"

say "installing $package through the model"
timeout $((install_seconds + 30)) "$helper" "$package" "$install_seconds" || {
    say "the model did not install $package"
    exit 1
}
translation=$(echo "The house is red." | timeout 60 apertium eng-cat)
say "eng-cat: $translation"
case "$translation" in
*casa*) say "installed and translating" ;;
*)
    say "eng-cat does not translate"
    exit 1
    ;;
esac
