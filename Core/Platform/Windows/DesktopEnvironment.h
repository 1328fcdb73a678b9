// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringView>

/// What the user's desktop calls its parts, read from the name it gives itself
/// (XDG_CURRENT_DESKTOP), so that the program's texts use the desktop's own words.
class DesktopEnvironment
{
public:
    DesktopEnvironment() = delete;

    /// Where the desktop shows the icons of programs like this one.
    enum class TrayPlace {
        /// KDE Plasma, and any desktop not known here.
        SystemTray,
        /// Xfce, MATE, LXDE, LXQt, Cinnamon, Budgie: a panel with a tray area.
        Panel,
        /// GNOME and Unity, where a tray comes from an indicator extension in the top bar.
        TopBar,
    };

    /// The place for the desktops named in \a currentDesktops, a colon-separated list as in
    /// XDG_CURRENT_DESKTOP ("ubuntu:GNOME"); the first known name decides.
    static TrayPlace trayPlace(QStringView currentDesktops);
    /// The place on the desktop this program runs on.
    static TrayPlace trayPlace();
};
