// SPDX-License-Identifier: GPL-3.0-or-later
#include "AllDesktops.h"

#include <QGuiApplication>
#include <QWidget>
#include <xcb/xcb.h>

namespace {

// The desktop number that means every desktop.
constexpr quint32 everyDesktop = 0xFFFFFFFF;

xcb_atom_t atom(xcb_connection_t *connection, const char *name)
{
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, uint16_t(qstrlen(name)), name);
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return result;
}

} // namespace

void AllDesktops::pin(QWidget *window)
{
    // Other platforms (Wayland, offscreen) may answer for X11 too, without a connection.
    auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!window || QGuiApplication::platformName() != u"xcb" || !x11 || !x11->connection())
        return;
    xcb_connection_t *connection = x11->connection();
    const auto id = xcb_window_t(window->winId());
    const xcb_atom_t desktop = atom(connection, "_NET_WM_DESKTOP");
    if (desktop == XCB_ATOM_NONE)
        return;
    // Read when the window is first mapped.
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, desktop, XCB_ATOM_CARDINAL, 32, 1,
                        &everyDesktop);
    // Asked of the window manager for a window that is mapped already.
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = id;
    message.type = desktop;
    message.data.data32[0] = everyDesktop;
    message.data.data32[1] = 1; // from an application
    xcb_send_event(connection, 0, screen->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&message));
    xcb_flush(connection);
}
