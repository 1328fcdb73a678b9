// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

/// Envelopes waiting on disk to be sent, one file each, oldest first.
///
/// An envelope is written before any attempt to send it, so a report survives a server that is
/// down, a rate limit and the end of the process, and goes out at a later start. The queue is
/// bounded: the oldest envelopes give way to new ones. The folder and its files are readable by the
/// user alone, since reports carry what the user said.
///
/// Files are named "<milliseconds>-<sequence>-<id>.envelope", so that names sort by age; the crash
/// handler writes its report under a name of the same form.
///
/// Any thread may store; one thread at a time sends (reads and removes).
class EnvelopeQueue
{
public:
    EnvelopeQueue(QString directory, int capacity);

    QString directory() const { return m_directory; }

    /// Writes \a envelope as the newest entry; false when the disk refused it.
    bool store(const QByteArray &envelope);

    /// The paths of the waiting envelopes, oldest first.
    QStringList pending() const;

    /// The content of the envelope at \a path, or none when it is gone or unreadable.
    std::optional<QByteArray> read(const QString &path) const;

    void remove(const QString &path);

private:
    void dropOldest();

    QString m_directory;
    int m_capacity;
};
