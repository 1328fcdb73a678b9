// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QGuiApplication>
#include <xcb/xcb.h>

/// What the window system's X11 requests share: the application's connection to the X server, and
/// the server's numbers for the names of properties. Main thread, like the connection.
namespace X11Connection {

/// The connection when the program's windows are on X11; null on any other platform (Wayland,
/// offscreen), which may answer for X11 too without a connection.
inline xcb_connection_t *current()
{
    auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !x11)
        return nullptr;
    return x11->connection();
}

/// The atom of \a name, or XCB_ATOM_NONE when the server does not answer.
inline xcb_atom_t atom(xcb_connection_t *connection, const char *name)
{
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, uint16_t(qstrlen(name)), name);
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return result;
}

/// The root window of the connection's first screen, the one Qt's windows live on.
inline xcb_window_t root(xcb_connection_t *connection)
{
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

} // namespace X11Connection
