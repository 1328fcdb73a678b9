// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

/// Keeps a top-level window on every virtual desktop, where the window system lets a program ask
/// for it (X11 window managers that follow the freedesktop.org hints); elsewhere it does nothing.
class AllDesktops
{
public:
    AllDesktops() = delete;

    /// Asks for \a window to be shown on every desktop; call before and after it is first shown,
    /// since window managers read the request at different moments.
    static void pin(QWidget *window);
};
