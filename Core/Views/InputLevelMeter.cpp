// SPDX-License-Identifier: GPL-3.0-or-later
#include "InputLevelMeter.h"

#include "Models/InputLevelMonitor.h"

#include <QPainter>
#include <cmath>

namespace {

constexpr int percent = 100;
constexpr int barHeight = 8;
constexpr int preferredWidth = 120;

} // namespace

InputLevelMeter::InputLevelMeter(InputLevelMonitor *monitor, QWidget *parent)
    : QProgressBar(parent)
    , m_monitor(monitor)
{
    setRange(0, percent);
    setValue(0);
    setTextVisible(false);
    setAccessibleName(tr("Input level"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(monitor, &InputLevelMonitor::levelChanged, this,
            [this] { setValue(int(std::lround(m_monitor->level() * percent))); });
}

QSize InputLevelMeter::sizeHint() const
{
    return {preferredWidth, barHeight};
}

QSize InputLevelMeter::minimumSizeHint() const
{
    return {barHeight * 2, barHeight};
}

void InputLevelMeter::paintEvent(QPaintEvent *)
{
    // The palette's own roles, so the bar reads on light and dark themes alike.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const double radius = frame.height() / 2;
    painter.setPen(palette().color(QPalette::Mid));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawRoundedRect(frame, radius, radius);
    if (value() <= minimum())
        return;
    QRectF filled = frame.adjusted(1, 1, -1, -1);
    filled.setWidth(filled.width() * (value() - minimum()) / (maximum() - minimum()));
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().color(isEnabled() ? QPalette::Highlight : QPalette::Mid));
    painter.drawRoundedRect(filled, radius - 1, radius - 1);
}

void InputLevelMeter::showEvent(QShowEvent *event)
{
    QProgressBar::showEvent(event);
    m_monitor->setActive(true);
}

void InputLevelMeter::hideEvent(QHideEvent *event)
{
    QProgressBar::hideEvent(event);
    m_monitor->setActive(false);
}
