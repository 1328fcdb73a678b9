// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScreenStrut.h"

#include "X11Connection.h"

#include <QScreen>
#include <QVariant>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <vector>

namespace {

// The places of _NET_WM_STRUT_PARTIAL's cardinals that a strip at the top or the bottom fills.
enum Cardinal : size_t {
    top = 2,
    bottom = 3,
    topStartX = 8,
    topEndX = 9,
    bottomStartX = 10,
    bottomEndX = 11,
};

quint32 cardinal(int value)
{
    return quint32(std::max(0, value));
}

struct StrutAtoms
{
    xcb_atom_t partial;
    xcb_atom_t plain;
    xcb_atom_t type;
    xcb_atom_t dock;
    xcb_atom_t frameless;
    xcb_atom_t normal;
};

// Asked once: each question is a round trip to the server, and the program has one connection.
const StrutAtoms &strutAtoms(xcb_connection_t *connection)
{
    static const StrutAtoms atoms{
        X11Connection::atom(connection, "_NET_WM_STRUT_PARTIAL"),
        X11Connection::atom(connection, "_NET_WM_STRUT"),
        X11Connection::atom(connection, "_NET_WM_WINDOW_TYPE"),
        X11Connection::atom(connection, "_NET_WM_WINDOW_TYPE_DOCK"),
        X11Connection::atom(connection, "_KDE_NET_WM_WINDOW_TYPE_OVERRIDE"),
        X11Connection::atom(connection, "_NET_WM_WINDOW_TYPE_NORMAL")};
    return atoms;
}

// Qt's own record of a window's type on X11, read whenever it writes the window's type again (as
// when click-through changes the window's flags); 4 is its value for a dock.
constexpr char qtWindowType[] = "_q_xcb_wm_window_type";
constexpr int qtDockType = 0x4;

// A panel's type, as well as its strut: some window managers (mutter) keep every other window
// out of the room that struts keep, the very window that keeps it included, and would push the
// strip off its edge. The types after the first are what Qt gives a frameless window.
void setType(xcb_connection_t *connection, QWidget *window, bool dock)
{
    const StrutAtoms &atoms = strutAtoms(connection);
    if (QWindow *handle = window->windowHandle())
        handle->setProperty(qtWindowType, dock ? QVariant(qtDockType) : QVariant());
    const std::array<xcb_atom_t, 3> types{atoms.dock, atoms.frameless, atoms.normal};
    const auto first = dock ? types.begin() : types.begin() + 1;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, xcb_window_t(window->internalWinId()),
                        atoms.type, XCB_ATOM_ATOM, 32, uint32_t(types.end() - first), first);
}

QSize rootSize(xcb_connection_t *connection)
{
    // Asked each time: the root grows and shrinks with the screens (RandR), and the copy in the
    // connection's setup is the size it had when the program started.
    xcb_get_geometry_reply_t *reply = xcb_get_geometry_reply(
        connection, xcb_get_geometry(connection, X11Connection::root(connection)), nullptr);
    const QSize size = reply ? QSize(reply->width, reply->height) : QSize();
    free(reply);
    return size;
}

} // namespace

std::array<quint32, 12> ScreenStrut::partial(Qt::Edge edge, const QRect &screen, int thickness,
                                             const QSize &rootSize)
{
    std::array<quint32, 12> strut{};
    if (edge == Qt::TopEdge) {
        strut[top] = cardinal(screen.top() + thickness);
        strut[topStartX] = cardinal(screen.left());
        strut[topEndX] = cardinal(screen.right());
    } else if (edge == Qt::BottomEdge) {
        strut[bottom] = cardinal(rootSize.height() - (screen.bottom() + 1) + thickness);
        strut[bottomStartX] = cardinal(screen.left());
        strut[bottomEndX] = cardinal(screen.right());
    }
    return strut;
}

void ScreenStrut::reserve(QWidget *window, const QScreen *screen, Qt::Edge edge)
{
    xcb_connection_t *connection = X11Connection::current();
    if (!connection || !window || !screen || !window->internalWinId())
        return;
    const QSize root = rootSize(connection);
    if (root.isEmpty())
        return;
    // Qt keeps a screen's corner where the X server has it and scales only what lies beyond it.
    const qreal ratio = screen->devicePixelRatio();
    const QRect logical = screen->geometry();
    const QRect native(logical.topLeft(), (QSizeF(logical.size()) * ratio).toSize());
    // From the screen's edge to the window's far side: other panels may lie between them.
    const QRect placed = window->geometry();
    const int thickness = edge == Qt::TopEdge ? placed.bottom() + 1 - logical.top()
                                              : logical.bottom() + 1 - placed.top();
    const std::array<quint32, 12> strut = partial(edge, native, qRound(thickness * ratio), root);
    const auto id = xcb_window_t(window->internalWinId());
    const StrutAtoms &atoms = strutAtoms(connection);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, atoms.partial, XCB_ATOM_CARDINAL, 32,
                        uint32_t(strut.size()), strut.data());
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, atoms.plain, XCB_ATOM_CARDINAL, 32,
                        4, strut.data());
    setType(connection, window, true);
    xcb_flush(connection);
}

int ScreenStrut::keptByOthers(const QWidget *window, const QScreen *screen, Qt::Edge edge)
{
    xcb_connection_t *connection = X11Connection::current();
    if (!connection || !screen || (edge != Qt::TopEdge && edge != Qt::BottomEdge))
        return 0;
    const QSize root = rootSize(connection);
    const qreal ratio = screen->devicePixelRatio();
    const QRect logical = screen->geometry();
    const QRect native(logical.topLeft(), (QSizeF(logical.size()) * ratio).toSize());
    const xcb_window_t own = window ? xcb_window_t(window->internalWinId()) : 0;
    const auto property = [connection](xcb_window_t id, xcb_atom_t name, xcb_atom_t type) {
        xcb_get_property_reply_t *reply = xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, id, name, type, 0, 1024), nullptr);
        std::vector<quint32> values;
        if (reply && reply->format == 32) {
            const auto *data = static_cast<const quint32 *>(xcb_get_property_value(reply));
            values.assign(data, data + xcb_get_property_value_length(reply) / 4);
        }
        free(reply);
        return values;
    };
    const StrutAtoms &atoms = strutAtoms(connection);
    static const xcb_atom_t clientList = X11Connection::atom(connection, "_NET_CLIENT_LIST");
    const bool top = edge == Qt::TopEdge;
    // How far the root's edge lies beyond the screen's: a strut counts from the root's.
    const int beyond = top ? native.top() : root.height() - (native.bottom() + 1);
    int reach = 0;
    for (const quint32 client :
         property(X11Connection::root(connection), clientList, XCB_ATOM_WINDOW)) {
        if (client == own)
            continue;
        const std::vector<quint32> strut = property(client, atoms.partial, XCB_ATOM_CARDINAL);
        if (strut.size() < 12)
            continue;
        const quint32 start = strut[top ? topStartX : bottomStartX];
        const quint32 end = strut[top ? topEndX : bottomEndX];
        // A strip along another screen of the same edge.
        if (int(end) < native.left() || int(start) > native.right())
            continue;
        reach = std::max(reach, int(strut[top ? Cardinal::top : Cardinal::bottom]) - beyond);
    }
    return qRound(reach / ratio);
}

void ScreenStrut::release(QWidget *window)
{
    xcb_connection_t *connection = X11Connection::current();
    if (!connection || !window || !window->internalWinId())
        return;
    const auto id = xcb_window_t(window->internalWinId());
    const StrutAtoms &atoms = strutAtoms(connection);
    xcb_delete_property(connection, id, atoms.partial);
    xcb_delete_property(connection, id, atoms.plain);
    setType(connection, window, false);
    xcb_flush(connection);
}
