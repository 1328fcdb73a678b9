// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <functional>

class UpdateChecker;

/// "Check for updates automatically": a quiet check once a day while the setting is on, the first
/// one as soon as a day has passed since the last check, also when that was before the program
/// started.
///
/// The day is counted on the wall clock against the stored time of the last check, looked at
/// every hour: a monotonic timer stops while the computer sleeps, and would put the check off by
/// as long as it slept. Main thread.
class AutomaticUpdateChecks : public QObject
{
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;

    /// Starts \a checker's background checks when they are due, by \a clock's time.
    explicit AutomaticUpdateChecks(UpdateChecker &checker,
                                   Clock clock = &QDateTime::currentDateTimeUtc,
                                   QObject *parent = nullptr);

    /// Checks now if the setting is on and a day has passed since the last check; the timer and
    /// a change of the setting call it.
    void checkIfDue();

private:
    bool isDue() const;

    UpdateChecker &m_checker;
    const Clock m_clock;
    QTimer m_timer;
};
