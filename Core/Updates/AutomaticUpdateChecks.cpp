// SPDX-License-Identifier: GPL-3.0-or-later
#include "AutomaticUpdateChecks.h"

#include "Platform/Settings/SettingsKeys.h"
#include "UpdateChecker.h"

using namespace std::chrono_literals;

namespace {

constexpr qint64 secondsPerDay = 24 * 60 * 60;
constexpr auto lookEvery = 1h;

} // namespace

AutomaticUpdateChecks::AutomaticUpdateChecks(UpdateChecker &checker, Clock clock, QObject *parent)
    : QObject(parent)
    , m_checker(checker)
    , m_clock(std::move(clock))
{
    m_timer.setTimerType(Qt::VeryCoarseTimer);
    m_timer.setInterval(lookEvery);
    connect(&m_timer, &QTimer::timeout, this, &AutomaticUpdateChecks::checkIfDue);
    m_timer.start();
    // Turning the setting on checks at once when a day has passed, as starting the program does.
    Setting(SettingsKeys::automaticallyCheckForUpdates).onChange(this, [this] { checkIfDue(); });
    QMetaObject::invokeMethod(this, &AutomaticUpdateChecks::checkIfDue, Qt::QueuedConnection);
}

void AutomaticUpdateChecks::checkIfDue()
{
    if (m_checker.hasFeed() && Setting(SettingsKeys::automaticallyCheckForUpdates).value() &&
        isDue())
        m_checker.checkInBackground();
}

bool AutomaticUpdateChecks::isDue() const
{
    const QDateTime last =
        QDateTime::fromString(Setting(SettingsKeys::lastUpdateCheck).value(), Qt::ISODate);
    const QDateTime now = m_clock();
    // A last check in the future means the clock was set back: waiting for it could take years.
    return !last.isValid() || last > now || last.secsTo(now) >= secondsPerDay;
}
