// SPDX-License-Identifier: GPL-3.0-or-later
#include "SubtitleWindow.h"

#include "NoticeBanner.h"
#include "Platform/Windows/AllDesktops.h"
#include "Platform/Windows/ScreenStrut.h"
#include "SwapAccessory.h"
#include "WindowButton.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScopedValueRollback>
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
// A docked strip takes at most this share of its screen's height, so that maximised windows keep
// the larger part of it whatever height the window had floating.
constexpr int dockedHeightDivisor = 2;

/// \a rect shrunk and moved as little as it takes to lie within \a area.
QRect within(QRect rect, const QRect &area)
{
    rect.setSize(rect.size().boundedTo(area.size()));
    rect.moveLeft(std::clamp(rect.left(), area.left(), area.right() + 1 - rect.width()));
    rect.moveTop(std::clamp(rect.top(), area.top(), area.bottom() + 1 - rect.height()));
    return rect;
}
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
    addButton(WindowButton::Kind::Minimize, &SubtitleWindow::performMinimize);
    addButton(WindowButton::Kind::Zoom, &SubtitleWindow::performZoom);
    trackMouse(this);
    m_floatingGeometry = geometry();

    // The chosen screen going away leaves the window on the primary one; whoever chose the screen
    // may choose again. A screen coming or going also moves the root window's edges, from which a
    // docked strip is measured.
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, [this](QScreen *removed) {
        if (removed == m_screen)
            setPosition(m_position, QGuiApplication::primaryScreen());
        else if (isDocked())
            dock();
    });
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this] {
        if (isDocked())
            dock();
    });
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

void SubtitleWindow::performMinimize()
{
    if (!isDocked())
        return showMinimized();
    // Hidden, as window managers do not minimise panels, and a window that is made a normal one
    // for it is reported shown for a moment before it is minimised; the state says minimised, so
    // that the menu offers the window back, and showing it clears that.
    ScreenStrut::release(this);
    hide();
    setWindowState(windowState() | Qt::WindowMinimized);
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
    const QRect placed = floatingPlaceFor(geometry, m_screen);
    if (isDocked()) {
        m_floatingGeometry = placed;
        dock();
        return;
    }
    setGeometryQuietly(placed);
}

void SubtitleWindow::setPreferredHeight(int height)
{
    if (m_isResizedByUser || (height == 0 && m_heightBeforeRequests == 0))
        return;
    if (height == 0)
        height = std::exchange(m_heightBeforeRequests, 0);
    else if (m_heightBeforeRequests == 0)
        m_heightBeforeRequests = floatingGeometry().height();
    height = std::max(height, minimumHeight());
    if (isDocked()) {
        m_floatingGeometry.setHeight(height);
        return dock();
    }
    if (isMaximized() || isMinimized())
        return;
    QRect resized = geometry();
    resized.setTop(resized.bottom() + 1 - height);
    QScreen *screen = m_screen ? m_screen.data() : QGuiApplication::primaryScreen();
    setGeometryQuietly(screen ? within(resized, screen->availableGeometry()) : resized);
}

void SubtitleWindow::setPosition(SubtitlePosition position, QScreen *screen)
{
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen || (position == m_position && screen == m_screen))
        return;
    const bool wasDocked = isDocked();
    const QRect before =
        wasDocked ? m_floatingGeometry : (isMaximized() ? normalGeometry() : geometry());
    // The user asked for a place: a maximised window would hide it.
    if (isMaximized())
        setWindowState(windowState() & ~Qt::WindowMaximized);
    const QRect floating = floatingPlaceFor(before, screen);
    m_position = position;
    followScreen(screen);
    if (isDocked()) {
        m_floatingGeometry = floating;
        dock();
        return;
    }
    if (wasDocked)
        ScreenStrut::release(this);
    setGeometryQuietly(floating);
}

QRect SubtitleWindow::floatingGeometry() const
{
    return isDocked() ? m_floatingGeometry : geometry();
}

Qt::Edge SubtitleWindow::dockedEdge() const
{
    return m_position == SubtitlePosition::Top ? Qt::TopEdge : Qt::BottomEdge;
}

void SubtitleWindow::dock()
{
    QScreen *screen = m_screen ? m_screen.data() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // The whole screen, not the part other panels leave: the window's own strip would otherwise
    // shrink that part, and push the window off its own strip at every change.
    const QRect area = screen->geometry();
    const int tallest = std::max(minimumHeight(), area.height() / dockedHeightDivisor);
    // Beside the panels already along that edge, not under them; their strips are read from
    // the window system, as the area they leave would count this window's own strip too.
    const int others = std::clamp(ScreenStrut::keptByOthers(this, screen, dockedEdge()), 0,
                                  area.height() / dockedHeightDivisor);
    QRect strip(area.left(), area.top() + others, area.width(),
                std::clamp(m_floatingGeometry.height(), minimumHeight(), tallest));
    if (m_position == SubtitlePosition::Bottom)
        strip.moveBottom(area.bottom() - others);
    if (isMaximized())
        setWindowState(windowState() & ~Qt::WindowMaximized);
    setGeometryQuietly(strip);
    m_dockedVirtualGeometry = screen->virtualGeometry();
    // A hidden window keeps no room; it takes it when it is shown.
    if (isVisible())
        ScreenStrut::reserve(this, screen, dockedEdge());
}

QScreen *SubtitleWindow::screenUnder(const QRect &geometry) const
{
    QList<QScreen *> screens = QGuiApplication::screens();
    if (m_screen && !screens.contains(m_screen))
        screens.append(m_screen);
    QScreen *best = nullptr;
    qint64 bestArea = 0;
    for (QScreen *screen : screens) {
        const QRect overlap = screen->geometry().intersected(geometry);
        const qint64 area = qint64(overlap.width()) * overlap.height();
        if (area > bestArea) {
            best = screen;
            bestArea = area;
        }
    }
    return best;
}

QRect SubtitleWindow::floatingPlaceFor(const QRect &geometry, QScreen *target) const
{
    if (!target)
        target = QGuiApplication::primaryScreen();
    const QSize size = geometry.isEmpty() ? floatingGeometry().size() : geometry.size();
    if (!target)
        return {geometry.topLeft(), size};
    const QRect available = target->availableGeometry();
    QScreen *from = geometry.isEmpty() ? nullptr : screenUnder(geometry);
    if (!from) {
        QRect centred(QPoint(), size.boundedTo(available.size()));
        centred.moveCenter(available.center());
        return centred;
    }
    return within(QRect(geometry.topLeft(), size)
                      .translated(target->geometry().topLeft() - from->geometry().topLeft()),
                  available);
}

void SubtitleWindow::setGeometryQuietly(const QRect &geometry)
{
    const QScopedValueRollback placing(m_isPlacing, true);
    setGeometry(geometry);
}

void SubtitleWindow::followScreen(QScreen *screen)
{
    if (screen == m_screen)
        return;
    if (m_screen)
        disconnect(m_screen, nullptr, this, nullptr);
    m_screen = screen;
    // A new resolution moves the docked strip's edges, or leaves a floating window off the
    // screen; a screen beside it that changes the root window changes the strip's reservation.
    connect(screen, &QScreen::geometryChanged, this, [this] {
        if (isDocked())
            return dock();
        // Kept near where it was rather than centred; a window the user took to another screen
        // stays there.
        QScreen *under = screenUnder(geometry());
        if (!under || under == m_screen)
            setGeometryQuietly(within(geometry(), m_screen->availableGeometry()));
    });
    // Also said when only the room that panels leave changes, as the window's own strip does.
    connect(screen, &QScreen::virtualGeometryChanged, this, [this](const QRect &virtualGeometry) {
        if (isDocked() && virtualGeometry != m_dockedVirtualGeometry)
            dock();
    });
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
    // Square along a screen's edge, as panels are.
    const qreal radius = isMaximized() || isDocked() ? 0 : cornerRadius;
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
    // The user made the docked strip higher or lower: it keeps that height, floating too.
    if (isDocked() && !m_isPlacing && isVisible() && !isMaximized() && !isMinimized()) {
        m_floatingGeometry.setHeight(height());
        ScreenStrut::reserve(this, m_screen, dockedEdge());
    }
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
    // Only the edge away from the screen's: the others lie along the screen.
    if (isDocked())
        edges &= m_position == SubtitlePosition::Top ? Qt::BottomEdge : Qt::TopEdge;
    return edges;
}

void SubtitleWindow::mousePressEvent(QMouseEvent *event)
{
    QWindow *handle = windowHandle();
    if (event->button() != Qt::LeftButton || !handle)
        return QWidget::mousePressEvent(event);
    const Qt::Edges edges = edgesAt(mapFromGlobal(event->globalPosition().toPoint()));
    if (edges) {
        m_isResizedByUser = true;
        handle->startSystemResize(edges);
    } else if (!isDocked())
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
    // Read by window managers when they take the window in, as they do every panel's.
    if (isDocked())
        ScreenStrut::reserve(this, m_screen, dockedEdge());
    offerWaylandNotice(WindowSystem::waylandReason());
}
