// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Base/SubtitlePosition.h"
#include "NoticeBanner.h"
#include "Platform/Settings/SettingsKeys.h"
#include "Platform/Windows/WindowSystem.h"

#include <QColor>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <functional>

class SwapAccessory;

/// The subtitle window: frameless, translucent, above every other window and on every virtual
/// desktop, with a title strip of its own (close, minimise and zoom buttons, and room for an
/// accessory) drawn over its content.
///
/// It floats on its chosen screen, or is docked along the top or the bottom of it (position()).
/// Floating, it is moved by dragging anywhere but a control and resized from its edges, both by
/// the window manager, so that both work on X11 and on Wayland; on native Wayland, where it cannot
/// stay on top or place itself, it says so once. Docked, it spans the screen's width and keeps its
/// strip as a panel does (ScreenStrut); it cannot be dragged, as a press on a strip that wide is
/// more often meant for what lies under it than for a move, and only its free edge resizes it.
/// It deletes itself once closed. Without a compositing manager translucency cannot work, and X
/// shows the black background opaque, so the text stays readable. Main thread.
class SubtitleWindow : public QWidget
{
    Q_OBJECT

public:
    /// A window around \a content, which it takes.
    explicit SubtitleWindow(QWidget *content);
    ~SubtitleWindow() override;

    QWidget *contentView() const { return m_content; }

    /// Asked when the user closes the window (its close button, the window manager); false keeps
    /// it open. Not asked by close().
    void setShouldCloseHandler(std::function<bool()> handler);

    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor &color);

    /// Puts \a accessory into the title strip, next to the buttons.
    void setTitleAccessory(SwapAccessory *accessory);
    SwapAccessory *titleAccessory() const { return m_accessory; }

    /// Lets the mouse through to what is under the window, so the subtitles never block it.
    void setClickThrough(bool clickThrough);

    /// As the close button does: asks the handler, then closes.
    void performClose();
    /// As the minimise button does. Window managers do not minimise panels: docked, the window is
    /// hidden instead, which gives its strip back, and shown again by showNormal().
    void performMinimize();
    /// Toggles between maximised and the size before.
    void performZoom();

    /// Says once, for good, that on native Wayland (for \a reason) the window can neither stay
    /// above other windows nor keep its place, and how to have both back; nothing for None.
    /// Called when the window is shown.
    void offerWaylandNotice(WindowSystem::WaylandReason reason);
    /// Shows \a text over the subtitles until it is dismissed, in place of any notice before.
    void showNotice(const QString &text);
    /// Takes the notice away if it says \a text, as when what it told of is over.
    void withdrawNotice(const QString &text);
    /// The notice shown over the subtitles until it is dismissed; null when there is none.
    NoticeBanner *notice() const { return m_notice; }

    /// Places the floating window at \a geometry, shrunk onto its chosen screen as needed and moved
    /// there, to the same place relative to that screen, from the screen it overlaps most; centred
    /// on the chosen screen when \a geometry is empty or on no screen. Docked, the window takes
    /// only the height, and floats there once it floats again.
    void place(const QRect &geometry);

    /// Makes the window \a height high, its bottom edge staying where it is, as its content asks;
    /// 0 gives back the height it had before the first request. Once the user has resized the
    /// window by hand, its height is theirs and requests change nothing.
    void setPreferredHeight(int height);

    /// Floats the window on \a screen (the primary one when null), or docks it along the top or
    /// the bottom of it. Floating after docked, it goes back to where it floated before; moved to
    /// another screen while floating, it keeps its place relative to the screen. Nothing moves
    /// when both are as they were, so that an unrelated settings change leaves the window alone.
    void setPosition(SubtitlePosition position, QScreen *screen);
    /// Floating, or the edge the window is docked at.
    SubtitlePosition position() const { return m_position; }
    /// The screen the window floats or is docked on; null before setPosition().
    QScreen *chosenScreen() const { return m_screen; }
    /// Where the window floats, or floated before it was docked, with the height it has now: what
    /// to keep for the next window.
    QRect floatingGeometry() const;

Q_SIGNALS:
    /// The window is closing: the last moment its content can still end its work.
    void closing();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    /// Under the pointer, a window whose background is nearly clear shows a faint one, so that
    /// its controls and its edges can be found over any background.
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    bool isDocked() const { return m_position != SubtitlePosition::Floating; }
    /// The screen edge the window is docked at; none while it floats.
    Qt::Edge dockedEdge() const;
    /// Spans the chosen screen at the docked edge and keeps the strip, anew: after a change of
    /// the screens, their sizes or the window's height.
    void dock();
    /// The screen of all connected ones (and the chosen one, while it is being unplugged) that
    /// \a geometry overlaps most; null when it overlaps none.
    QScreen *screenUnder(const QRect &geometry) const;
    /// \a geometry moved onto \a target (the primary screen when null) as place() says.
    QRect floatingPlaceFor(const QRect &geometry, QScreen *target) const;
    void setGeometryQuietly(const QRect &geometry);
    void followScreen(QScreen *screen);
    Qt::Edges edgesAt(const QPoint &position) const;
    void trackMouse(QWidget *widget);
    void placeNotice();

    QWidget *m_content;
    QWidget *m_titleStrip;
    SwapAccessory *m_accessory = nullptr;
    std::function<bool()> m_shouldClose;
    QPointer<NoticeBanner> m_notice;
    Setting<bool> m_hasShownWaylandNotice{SettingsKeys::hasShownWaylandNotice};
    QColor m_backgroundColor;
    bool m_isClosing = false;
    bool m_isUnderPointer = false;

    SubtitlePosition m_position = SubtitlePosition::Floating;
    QPointer<QScreen> m_screen;
    /// Where the window floated before it was docked; its height is the docked strip's too.
    QRect m_floatingGeometry;
    /// The window is being placed by the program itself, not resized by the user.
    bool m_isPlacing = false;
    /// The user has resized the window from an edge: its height no longer follows its content.
    bool m_isResizedByUser = false;
    /// The window's height before its content first asked for one; 0 while it has not.
    int m_heightBeforeRequests = 0;
    /// The screens' whole area when the window was last docked, from which its strut is measured.
    QRect m_dockedVirtualGeometry;
};
