// SPDX-License-Identifier: GPL-3.0-or-later
#include "SentryDsn.h"

using namespace Qt::Literals::StringLiterals;

std::optional<SentryDsn> SentryDsn::parse(const QString &text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || (url.scheme() != u"https" && url.scheme() != u"http") ||
        url.host().isEmpty() || url.userName().isEmpty() || url.hasQuery() || url.hasFragment())
        return std::nullopt;

    QString path = url.path();
    while (path.endsWith(u'/'))
        path.chop(1);
    const qsizetype slash = path.lastIndexOf(u'/');
    const QString projectId = path.mid(slash + 1);
    if (slash < 0 || projectId.isEmpty())
        return std::nullopt;

    SentryDsn dsn;
    dsn.m_text = text.trimmed();
    dsn.m_publicKey = url.userName();
    dsn.m_secretKey = url.password();
    dsn.m_projectId = projectId;
    dsn.m_envelopeUrl = url.adjusted(QUrl::RemoveUserInfo);
    dsn.m_envelopeUrl.setPath(path.left(slash) + u"/api/"_s + projectId + u"/envelope/"_s);
    return dsn;
}

QUrl SentryDsn::envelopeUrl() const
{
    return m_envelopeUrl;
}

QByteArray SentryDsn::authHeader(const QString &client) const
{
    QString header =
        u"Sentry sentry_version=7, sentry_client=%1, sentry_key=%2"_s.arg(client, m_publicKey);
    if (!m_secretKey.isEmpty())
        header += u", sentry_secret="_s + m_secretKey;
    return header.toUtf8();
}
