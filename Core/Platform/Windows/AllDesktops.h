// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

/// Keeps a top-level window on every virtual desktop, where the window system lets a program ask
/// for it (X11 window managers that follow the freedesktop.org hints); elsewhere it does nothing.
class AllDesktops
{
public:
    AllDesktops() = delete;

    /// Asks for \a window to be shown on every desktop, now and each time a window manager takes
    /// it in; call when it is shown. Window managers read the request at different moments: some
    /// only from the window before it is mapped, others (xfwm4) only from a message sent once they
    /// manage it, and they ignore one sent earlier.
    static void pin(QWidget *window);
};
