// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <xcb/xcb.h>

/// Says so when the program does not run on X11, where no round trip is measured.
inline void noteWhenNotX11()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        std::printf("note: platform %s, not X11: no round trip to a display server is measured\n",
                    qPrintable(QGuiApplication::platformName()));
}

/// Waits until the X server has handled everything sent so far; nothing off X11.
inline void syncWithServer()
{
    auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return;
    free(xcb_get_input_focus_reply(x11->connection(), xcb_get_input_focus(x11->connection()),
                                   nullptr));
}

/// Notes when a window has finished a repaint: the turn of the loop after its update request.
class RepaintWatch : public QObject
{
public:
    /// Widgets ask their top-level widget, not its window, for the update.
    explicit RepaintWatch(QWidget *window) { window->installEventFilter(this); }

    bool repainted = false;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::UpdateRequest)
            QTimer::singleShot(0, this, [this] { repainted = true; });
        return false;
    }
};
