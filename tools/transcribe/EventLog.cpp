// SPDX-License-Identifier: GPL-3.0-or-later
#include "EventLog.h"

#include <QJsonDocument>

using namespace Qt::Literals::StringLiterals;

bool EventLog::open(const QString &path, QString *error)
{
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = m_file.errorString();
        return false;
    }
    m_clock.start();
    return true;
}

void EventLog::record(QJsonObject event)
{
    if (!m_file.isOpen())
        return;
    event.insert(u"t"_s, double(m_clock.nsecsElapsed()) / 1e9);
    m_file.write(QJsonDocument(event).toJson(QJsonDocument::Compact) + '\n');
    m_file.flush();
}
