// SPDX-License-Identifier: GPL-3.0-or-later
#include "BusyIndicator.h"

#include <QPainter>

namespace {

constexpr int frameMs = 40;
constexpr int degreesPerFrame = 12;
// The arc that is drawn: three quarters of the ring.
constexpr int arcSpan = 270;

} // namespace

BusyIndicator::BusyIndicator(QWidget *parent)
    : QWidget(parent)
{
    setAccessibleName(tr("Busy"));
    m_timer.setInterval(frameMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_angle = (m_angle + degreesPerFrame) % 360;
        update();
    });
}

void BusyIndicator::setColor(const QColor &color)
{
    m_color = color;
    update();
}

void BusyIndicator::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(width(), height());
    const qreal stroke = std::max<qreal>(2.0, side / 8);
    const QRectF ring(
        QPointF((width() - side) / 2 + stroke / 2, (height() - side) / 2 + stroke / 2),
        QSizeF(side - stroke, side - stroke));
    QColor track = m_color;
    track.setAlphaF(0.25f);
    painter.setPen(QPen(track, stroke));
    painter.drawEllipse(ring);
    painter.setPen(QPen(m_color, stroke, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(ring, -m_angle * 16, arcSpan * 16);
}

void BusyIndicator::showEvent(QShowEvent *event)
{
    m_timer.start();
    QWidget::showEvent(event);
}

void BusyIndicator::hideEvent(QHideEvent *event)
{
    m_timer.stop();
    QWidget::hideEvent(event);
}
