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

InputLevelMeter::InputLevelMeter(InputLevelMonitor *monitor, Shows shows, QWidget *parent)
    : QProgressBar(parent)
    , m_monitor(monitor)
    , m_shows(shows)
{
    setRange(0, percent);
    setTextVisible(false);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(monitor, &InputLevelMonitor::levelChanged, this, &InputLevelMeter::showLevel);
    showLevel();
}

void InputLevelMeter::showLevel()
{
    const bool microphone = m_shows == Shows::Microphone;
    const bool computerSound = !microphone && m_monitor->isMixing();
    const QString name = microphone      ? tr("Microphone level")
                         : computerSound ? tr("Computer sound level")
                                         : tr("Input level");
    if (accessibleName() != name)
        setAccessibleName(name);
    const double level = microphone      ? m_monitor->level(InputLevelMonitor::Microphone)
                         : computerSound ? m_monitor->level(InputLevelMonitor::ComputerSound)
                                         : m_monitor->level();
    setValue(int(std::lround(level * percent)));
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
    if (m_shows == Shows::ChosenInput)
        m_monitor->setActive(true);
}

void InputLevelMeter::hideEvent(QHideEvent *event)
{
    QProgressBar::hideEvent(event);
    if (m_shows == Shows::ChosenInput)
        m_monitor->setActive(false);
}
