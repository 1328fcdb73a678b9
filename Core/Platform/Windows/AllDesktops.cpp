// SPDX-License-Identifier: GPL-3.0-or-later
#include "AllDesktops.h"

#include "X11Connection.h"

#include <QAbstractNativeEventFilter>
#include <QPointer>
#include <QWidget>

namespace {

const QString watcherName = QStringLiteral("allDesktopsWatcher");

// The desktop number that means every desktop.
constexpr quint32 everyDesktop = 0xFFFFFFFF;

void askWindowManager(xcb_connection_t *connection, xcb_window_t window, xcb_atom_t desktop)
{
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = desktop;
    message.data.data32[0] = everyDesktop;
    message.data.data32[1] = 1; // from an application
    xcb_send_event(connection, 0, X11Connection::root(connection),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&message));
    xcb_flush(connection);
}

// Sends the request again whenever a window manager starts managing the window: it sets the
// window's WM_STATE then, on the first show and on every show after a hide. Lives as long as the
// window, as its child.
class ManagedWindowWatcher : public QObject, public QAbstractNativeEventFilter
{
public:
    ManagedWindowWatcher(QWidget *window, xcb_connection_t *connection, xcb_atom_t desktop)
        : QObject(window)
        , m_window(window)
        , m_connection(connection)
        , m_desktop(desktop)
        , m_wmState(X11Connection::atom(connection, "WM_STATE"))
    {
        setObjectName(watcherName);
        QCoreApplication::instance()->installNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override
    {
        if (eventType != "xcb_generic_event_t" || !m_window)
            return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
            return false;
        const auto *change = static_cast<const xcb_property_notify_event_t *>(message);
        const auto id = xcb_window_t(m_window->internalWinId());
        if (id && change->window == id && change->atom == m_wmState &&
            change->state == XCB_PROPERTY_NEW_VALUE)
            askWindowManager(m_connection, id, m_desktop);
        return false;
    }

private:
    QPointer<QWidget> m_window;
    xcb_connection_t *m_connection;
    xcb_atom_t m_desktop;
    xcb_atom_t m_wmState;
};

} // namespace

void AllDesktops::pin(QWidget *window)
{
    xcb_connection_t *connection = X11Connection::current();
    if (!window || !connection)
        return;
    const auto id = xcb_window_t(window->winId());
    const xcb_atom_t desktop = X11Connection::atom(connection, "_NET_WM_DESKTOP");
    if (desktop == XCB_ATOM_NONE)
        return;
    // Read by window managers that take the window in when it is first mapped.
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, desktop, XCB_ATOM_CARDINAL, 32, 1,
                        &everyDesktop);
    xcb_flush(connection);
    if (!window->findChild<QObject *>(watcherName, Qt::FindDirectChildrenOnly))
        new ManagedWindowWatcher(window, connection, desktop);
}
