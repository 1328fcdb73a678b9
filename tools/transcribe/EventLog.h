// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QJsonObject>

/// The record of a run as JSON Lines: one object per event, each with the seconds since the run
/// began under "t". Without a file, it records nothing.
class EventLog
{
public:
    EventLog() = default;

    /// Writes to \a path from now on; false, with the reason in \a error, when it cannot.
    bool open(const QString &path, QString *error);

    /// Writes \a event with its time; each line reaches the file at once, so a run that is
    /// killed leaves whole lines behind.
    void record(QJsonObject event);

private:
    QFile m_file;
    QElapsedTimer m_clock;
};
