// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QWidget>
#include <functional>

class SwapAccessory;

/// The floating subtitle window: frameless, translucent, above every other window and on every
/// virtual desktop, with a title strip of its own (close, minimise and zoom buttons, and room for
/// an accessory) drawn over its content.
///
/// It is moved by dragging anywhere but a control and resized from its edges, both by the window
/// manager, so that both work on X11 and on Wayland. It deletes itself once closed. Without a
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

private:
    Qt::Edges edgesAt(const QPoint &position) const;
    void trackMouse(QWidget *widget);

    QWidget *m_content;
    QWidget *m_titleStrip;
    SwapAccessory *m_accessory = nullptr;
    std::function<bool()> m_shouldClose;
    QColor m_backgroundColor;
    bool m_isClosing = false;
};
