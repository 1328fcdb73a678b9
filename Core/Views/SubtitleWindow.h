// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "NoticeBanner.h"
#include "Platform/Settings/SettingsKeys.h"
#include "Platform/Windows/WindowSystem.h"

#include <QColor>
#include <QPointer>
#include <QWidget>
#include <functional>

class SwapAccessory;

/// The floating subtitle window: frameless, translucent, above every other window and on every
/// virtual desktop, with a title strip of its own (close, minimise and zoom buttons, and room for
/// an accessory) drawn over its content.
///
/// It is moved by dragging anywhere but a control and resized from its edges, both by the window
/// manager, so that both work on X11 and on Wayland; on native Wayland, where it cannot stay on top
/// or place itself, it says so once. It deletes itself once closed. Without a
/// compositing manager translucency cannot work, and X shows the black background opaque, so the
/// text stays readable. Main thread.
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

    /// Places the window at \a geometry, moved and shrunk onto a screen as needed; centred on the
    /// screen when \a geometry is empty or on no screen.
    void place(const QRect &geometry);

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
};
