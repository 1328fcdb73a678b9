// SPDX-License-Identifier: GPL-3.0-or-later
#include "EnvelopeQueue.h"

#include "Base/WholeFileWrite.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QUuid>
#include <atomic>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString suffix = u".envelope"_s;

} // namespace

EnvelopeQueue::EnvelopeQueue(QString directory, int capacity)
    : m_directory(std::move(directory))
    , m_capacity(capacity)
{}

bool EnvelopeQueue::store(const QByteArray &envelope)
{
    if (!QDir().mkpath(m_directory))
        return false;
    QFile::setPermissions(m_directory,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    // Names sort by time of writing, then by order within this process; the random part keeps two
    // processes from colliding.
    static std::atomic<quint32> sequence = 0;
    const QString name = u"%1-%2-%3"_s.arg(QDateTime::currentMSecsSinceEpoch(), 15, 10, QChar(u'0'))
                             .arg(sequence++, 10, 10, QChar(u'0'))
                             .arg(QUuid::createUuid().toString(QUuid::Id128));
    if (writeWholeFile(m_directory + u'/' + name + suffix, envelope,
                       QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return false;
    dropOldest();
    return true;
}

QStringList EnvelopeQueue::pending() const
{
    const QDir directory(m_directory);
    QStringList paths;
    for (const QString &name : directory.entryList({u"*"_s + suffix}, QDir::Files, QDir::Name))
        paths << directory.filePath(name);
    return paths;
}

std::optional<QByteArray> EnvelopeQueue::read(const QString &path) const
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

void EnvelopeQueue::remove(const QString &path)
{
    QFile::remove(path);
}

void EnvelopeQueue::dropOldest()
{
    const QStringList paths = pending();
    for (qsizetype i = 0; i < paths.size() - m_capacity; ++i)
        remove(paths.at(i));
}
