// SPDX-License-Identifier: GPL-3.0-or-later
#include "Error.h"

#include <QCoreApplication>
#include <QStringList>

using namespace Qt::Literals::StringLiterals;

Error::Error(QString domain, qint64 code, QVariantMap userInfo)
    : m_domain(std::move(domain))
    , m_code(code)
    , m_userInfo(std::move(userInfo))
{}

Error Error::fromMessage(const QString &message, const QString &domain, qint64 code)
{
    return Error(domain, code, {{localizedDescriptionKey, message}});
}

QString Error::localizedDescription() const
{
    const QString text = m_userInfo.value(localizedDescriptionKey).toString();
    if (!text.isEmpty())
        return text;
    return QCoreApplication::translate("Error",
                                       "The operation could not be completed. (%1 error %2.)")
        .arg(m_domain)
        .arg(m_code);
}

QString Error::description() const
{
    QStringList entries;
    for (auto it = m_userInfo.cbegin(); it != m_userInfo.cend(); ++it)
        entries << it.key() + u'=' + it.value().toString();
    return u"Error Domain=%1 Code=%2 \"%3\" UserInfo={%4}"_s.arg(
        m_domain, QString::number(m_code), localizedDescription(), entries.join(u", "_s));
}
