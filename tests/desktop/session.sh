# SPDX-License-Identifier: GPL-3.0-or-later
# How a test sees Voxlume on each session of scripts/desktop (openbox, xfce, gnome): its windows,
# its tray icon or the window that stands in for one, the workspaces, and screenshots of the whole
# screen. Sourced after checks.sh; the program's process id is in $pid.
session=${VOXLUME_DESKTOP_SESSION:-openbox}
here=$(dirname "${BASH_SOURCE[0]}")

# The whole screen as the user sees it. GNOME draws Wayland windows that no X client can see, so
# there the shell takes it.
screenshot_screen() {
    if [ "$session" = gnome ]; then
        "$here/gnome-screenshot" "$1"
    else
        import -window root "$1"
    fi
}

# The shown windows of process $pid. Like every helper here it prints nothing but its answer, even
# where a failing command would run the caller's ERR trap.
windows_of_program() { xdotool search --onlyvisible --pid "$pid" 2>/dev/null || true; }

# The title that window $1 gives itself (WM_NAME); the window manager may show another.
own_title() { xprop -id "$1" -notype WM_NAME 2>/dev/null | sed -n 's/^WM_NAME = "\(.*\)"$/\1/p' || true; }

# The subtitle window of process $pid on the current workspace: at least 600x100, without a title.
find_subtitles() {
    local id
    subtitles=
    for id in $(windows_of_program); do
        [ -z "$(own_title "$id")" ] || continue
        read_geometry "$id" && [ "$mapped" = yes ] && [ "$width" -ge 600 ] &&
            [ "$height" -ge 100 ] && on_current_workspace "$id" || continue
        subtitles=$id
        return 0
    done
    return 1
}

# Whether the desktop's StatusNotifierItem watcher lists an item of process $pid.
tray_item_registered() {
    local item owner
    for item in $(dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher \
        /StatusNotifierWatcher org.freedesktop.DBus.Properties.Get \
        string:org.kde.StatusNotifierWatcher string:RegisteredStatusNotifierItems 2>/dev/null |
        sed -n 's/^ *string "\([^"/]*\).*/\1/p' || true); do
        owner=$(dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
            org.freedesktop.DBus.GetConnectionUnixProcessID "string:$item" 2>/dev/null |
            awk '/uint32/ { print $2 }' || true)
        [ "$owner" = "$pid" ] && return 0
    done
    return 1
}

# An icon of process $pid in an XEmbed tray: a small window of its own that the tray took in.
tray_icon_embedded() {
    local id
    for id in $(windows_of_program); do
        read_geometry "$id" && [ "$width" -lt 64 ] && [ "$height" -lt 64 ] && return 0
    done
    return 1
}

# The window titled Voxlume that offers the menu where the desktop has no tray.
command_window_shown() {
    local id
    for id in $(windows_of_program); do
        [ "$(own_title "$id")" = Voxlume ] && return 0
    done
    return 1
}

# What stands for the menu on this session: the tray icon, or the command window.
menu_reachable() {
    case $session in
    xfce) tray_item_registered ;;
    openbox) tray_icon_embedded ;;
    gnome) command_window_shown ;;
    esac
}
menu_place() {
    case $session in
    xfce) echo "tray icon (StatusNotifierItem)" ;;
    openbox) echo "tray icon (XEmbed)" ;;
    gnome) echo "command window (no tray)" ;;
    esac
}

# Numbered from 0. GNOME sets none until the first switch: then it is the first.
current_workspace() {
    local number
    number=$(xprop -root -notype _NET_CURRENT_DESKTOP 2>/dev/null | sed -n 's/.*= //p' || true)
    echo "${number:-0}"
}
workspace_count() { xprop -root -notype _NET_NUMBER_OF_DESKTOPS 2>/dev/null | sed -n 's/.*= //p' || true; }

# The window manager's answer to where window $1 is: 4294967295 is every workspace.
window_workspace() { xprop -id "$1" -notype _NET_WM_DESKTOP 2>/dev/null | sed -n 's/.*= //p' || true; }
# GNOME leaves a window of another workspace viewable to X clients, so its workspace is asked too.
on_current_workspace() {
    local workspace
    workspace=$(window_workspace "$1")
    [ -z "$workspace" ] || [ "$workspace" = 4294967295 ] || [ "$workspace" = "$(current_workspace)" ]
}
