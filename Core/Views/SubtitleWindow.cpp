// SPDX-License-Identifier: GPL-3.0-or-later
#include "SubtitleWindow.h"

#include "NoticeBanner.h"
#include "Platform/Windows/AllDesktops.h"
#include "SwapAccessory.h"
#include "WindowButton.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWindow>

namespace {

constexpr QSize defaultSize(1000, 200);
constexpr int titleStripHeight = 26;
constexpr int cornerRadius = 10;
// How near an edge a press resizes rather than moves.
constexpr int resizeMargin = 6;
constexpr int buttonSide = 14;
constexpr int firstButtonX = 10;
constexpr int buttonGap = 8;
constexpr int noticeMargin = 8;
// The least opacity of the background under the pointer: enough to show the controls.
constexpr float pointerBackgroundAlpha = 0.35f;

Qt::CursorShape cursorFor(Qt::Edges edges)
{
    if (edges == (Qt::TopEdge | Qt::LeftEdge) || edges == (Qt::BottomEdge | Qt::RightEdge))
        return Qt::SizeFDiagCursor;
    if (edges == (Qt::TopEdge | Qt::RightEdge) || edges == (Qt::BottomEdge | Qt::LeftEdge))
        return Qt::SizeBDiagCursor;
    if (edges & (Qt::LeftEdge | Qt::RightEdge))
        return Qt::SizeHorCursor;
    if (edges & (Qt::TopEdge | Qt::BottomEdge))
        return Qt::SizeVerCursor;
    return Qt::ArrowCursor;
}

} // namespace

SubtitleWindow::SubtitleWindow(QWidget *content)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_content(content)
    , m_titleStrip(new QWidget(this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString());
    setAccessibleName(tr("Live Subtitles"));
    setMinimumSize(200, 60);
    resize(defaultSize);

    m_content->setParent(this);
    m_content->setGeometry(rect());
    m_titleStrip->setGeometry(0, 0, width(), titleStripHeight);
    m_titleStrip->setAttribute(Qt::WA_TranslucentBackground);
    m_titleStrip->raise();

    int x = firstButtonX;
    const auto addButton = [&](WindowButton::Kind kind, auto action) {
        auto *button = new WindowButton(kind, m_titleStrip);
        button->setGeometry(x, (titleStripHeight - buttonSide) / 2, buttonSide, buttonSide);
        x += buttonSide + buttonGap;
        connect(button, &QAbstractButton::clicked, this, action);
    };
    addButton(WindowButton::Kind::Close, &SubtitleWindow::performClose);
    addButton(WindowButton::Kind::Minimize, &QWidget::showMinimized);
    addButton(WindowButton::Kind::Zoom, &SubtitleWindow::performZoom);
    trackMouse(this);
}

SubtitleWindow::~SubtitleWindow() = default;

void SubtitleWindow::setShouldCloseHandler(std::function<bool()> handler)
{
    m_shouldClose = std::move(handler);
}

void SubtitleWindow::setBackgroundColor(const QColor &color)
{
    m_backgroundColor = color;
    update();
}

void SubtitleWindow::setTitleAccessory(SwapAccessory *accessory)
{
    m_accessory = accessory;
    accessory->setParent(m_titleStrip);
    accessory->show();
    trackMouse(accessory);
}

void SubtitleWindow::setClickThrough(bool clickThrough)
{
    // On a window that is shown, the window system's input shape changes without hiding it.
    if (QWindow *handle = windowHandle())
        handle->setFlag(Qt::WindowTransparentForInput, clickThrough);
    else
        setWindowFlag(Qt::WindowTransparentForInput, clickThrough);
}

void SubtitleWindow::performClose()
{
    if (m_shouldClose && !m_shouldClose())
        return;
    close();
}

void SubtitleWindow::performZoom()
{
    if (isMaximized())
        showNormal();
    else
        showMaximized();
}

void SubtitleWindow::offerWaylandNotice(WindowSystem::WaylandReason reason)
{
    if (reason == WindowSystem::WaylandReason::None || m_hasShownWaylandNotice.value())
        return;
    m_hasShownWaylandNotice.setValue(true);
    const QString text =
        reason == WindowSystem::WaylandReason::ChosenByUser
            ? tr("On Wayland, the subtitles cannot stay above other windows or keep their place. "
                 "To have both, start Voxlume without QT_QPA_PLATFORM=wayland, so that it runs "
                 "through XWayland.")
            : tr("On Wayland, the subtitles cannot stay above other windows or keep their place, "
                 "and XWayland could not be reached. To have both, install XWayland (the package "
                 "xwayland), log in again and restart Voxlume.");
    showNotice(text);
}

void SubtitleWindow::showNotice(const QString &text)
{
    if (m_notice && m_notice->text() == text)
        return;
    delete m_notice;
    m_notice = new NoticeBanner(text, this);
    trackMouse(m_notice);
    placeNotice();
    m_notice->show();
}

void SubtitleWindow::withdrawNotice(const QString &text)
{
    if (m_notice && m_notice->text() == text)
        delete m_notice;
}

void SubtitleWindow::placeNotice()
{
    if (!m_notice)
        return;
    m_notice->place(QPoint(noticeMargin, titleStripHeight), width() - 2 * noticeMargin);
    m_notice->raise();
}

void SubtitleWindow::place(const QRect &geometry)
{
    QScreen *best = nullptr;
    qint64 bestArea = 0;
    for (QScreen *screen : QGuiApplication::screens()) {
        const QRect overlap = screen->availableGeometry().intersected(geometry);
        const qint64 area = qint64(overlap.width()) * overlap.height();
        if (area > bestArea) {
            best = screen;
            bestArea = area;
        }
    }
    if (!best) {
        QScreen *screen = QGuiApplication::primaryScreen();
        QRect centred(QPoint(), geometry.isEmpty() ? size() : geometry.size());
        if (screen) {
            centred.setSize(centred.size().boundedTo(screen->availableGeometry().size()));
            centred.moveCenter(screen->availableGeometry().center());
        }
        setGeometry(centred);
        return;
    }
    const QRect available = best->availableGeometry();
    QRect placed(geometry.topLeft(), geometry.size().boundedTo(available.size()));
    placed.moveLeft(
        std::clamp(placed.left(), available.left(), available.right() + 1 - placed.width()));
    placed.moveTop(
        std::clamp(placed.top(), available.top(), available.bottom() + 1 - placed.height()));
    setGeometry(placed);
}

void SubtitleWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect(), Qt::transparent);
    painter.setPen(Qt::NoPen);
    QColor background = m_backgroundColor;
    if (m_isUnderPointer)
        background.setAlphaF(std::max(background.alphaF(), pointerBackgroundAlpha));
    painter.setBrush(background);
    const qreal radius = isMaximized() ? 0 : cornerRadius;
    painter.drawRoundedRect(rect(), radius, radius);
}

void SubtitleWindow::enterEvent(QEnterEvent *event)
{
    m_isUnderPointer = true;
    update();
    QWidget::enterEvent(event);
}

void SubtitleWindow::leaveEvent(QEvent *event)
{
    m_isUnderPointer = false;
    update();
    QWidget::leaveEvent(event);
}

void SubtitleWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_content->setGeometry(rect());
    m_titleStrip->setGeometry(0, 0, width(), titleStripHeight);
    placeNotice();
}

Qt::Edges SubtitleWindow::edgesAt(const QPoint &position) const
{
    if (isMaximized())
        return {};
    Qt::Edges edges;
    if (position.x() < resizeMargin)
        edges |= Qt::LeftEdge;
    if (position.x() >= width() - resizeMargin)
        edges |= Qt::RightEdge;
    if (position.y() < resizeMargin)
        edges |= Qt::TopEdge;
    if (position.y() >= height() - resizeMargin)
        edges |= Qt::BottomEdge;
    return edges;
}

void SubtitleWindow::mousePressEvent(QMouseEvent *event)
{
    QWindow *handle = windowHandle();
    if (event->button() != Qt::LeftButton || !handle)
        return QWidget::mousePressEvent(event);
    const Qt::Edges edges = edgesAt(mapFromGlobal(event->globalPosition().toPoint()));
    if (edges)
        handle->startSystemResize(edges);
    else
        handle->startSystemMove();
    event->accept();
}

void SubtitleWindow::mouseMoveEvent(QMouseEvent *event)
{
    setCursor(cursorFor(edgesAt(mapFromGlobal(event->globalPosition().toPoint()))));
    QWidget::mouseMoveEvent(event);
}

void SubtitleWindow::trackMouse(QWidget *widget)
{
    // Moves over the content reach the window only when every widget on the way tracks them.
    widget->setMouseTracking(true);
    for (QWidget *child : widget->findChildren<QWidget *>())
        child->setMouseTracking(true);
}

void SubtitleWindow::closeEvent(QCloseEvent *event)
{
    if (event->spontaneous() && m_shouldClose && !m_shouldClose()) {
        event->ignore();
        return;
    }
    if (!std::exchange(m_isClosing, true))
        Q_EMIT closing();
    event->accept();
}

void SubtitleWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    AllDesktops::pin(this);
    offerWaylandNotice(WindowSystem::waylandReason());
}
