// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QSize>
#include <QtGlobal>
#include <array>

class QScreen;
class QWidget;

/// The room that a window docked along the top or the bottom of a screen keeps for itself, as a
/// panel does: window managers keep maximised windows out of it. On X11 that is the window's
/// _NET_WM_STRUT_PARTIAL, _NET_WM_STRUT for window managers older than it, and a panel's window
/// type (_NET_WM_WINDOW_TYPE_DOCK), without which some window managers push the window out of its
/// own room; elsewhere (Wayland, offscreen) no client can keep room, and it does nothing.
///
/// Main thread, like the windows.
class ScreenStrut
{
public:
    ScreenStrut() = delete;

    /// The twelve cardinals of _NET_WM_STRUT_PARTIAL (left, right, top, bottom, then the start and
    /// end of each: left_start_y … bottom_end_x) for a strip \a thickness pixels high along \a edge
    /// (Qt::TopEdge or Qt::BottomEdge; none for others) of \a screen, in a root window of
    /// \a rootSize; all in the X server's pixels. The widths count from the root window's edges,
    /// not the screen's: a strip at the bottom of a screen that ends above the root's bottom also
    /// keeps the rows below that screen. The first four are _NET_WM_STRUT.
    static std::array<quint32, 12> partial(Qt::Edge edge, const QRect &screen, int thickness,
                                           const QSize &rootSize);

    /// Keeps the strip from \a edge of \a screen to the far side of \a window, in place of anything
    /// it kept before, and gives the window a panel's type; nothing before the window has a native
    /// window.
    static void reserve(QWidget *window, const QScreen *screen, Qt::Edge edge);

    /// How far along \a edge of \a screen the other windows' strips reach (panels, docks), in
    /// logical pixels: where a strip of \a window's own begins, so that it lies beside them rather
    /// than under them. 0 where no client can keep room.
    static int keptByOthers(const QWidget *window, const QScreen *screen, Qt::Edge edge);

    /// Gives back the room that \a window kept, if any, and makes it a normal window again.
    static void release(QWidget *window);
};
