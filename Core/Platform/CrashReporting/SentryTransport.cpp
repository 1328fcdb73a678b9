// SPDX-License-Identifier: GPL-3.0-or-later
#include "SentryTransport.h"

#include "EnvelopeQueue.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int requestTimeoutMs = 30'000;
// When a 429 names no time, wait as long as the service's SDKs do.
constexpr int defaultRateLimitSeconds = 60;

// "60:error;default:organization, 2700::key": the longest limit that covers errors.
int sentryRateLimitSeconds(const QByteArray &header)
{
    int seconds = 0;
    for (const QByteArray &limit : header.split(',')) {
        const QList<QByteArray> fields = limit.trimmed().split(':');
        const QList<QByteArray> categories = fields.value(1).split(';');
        const bool coversErrors = fields.value(1).isEmpty() || categories.contains("error") ||
                                  categories.contains("default");
        bool ok = false;
        const int value = fields.value(0).toInt(&ok);
        if (ok && coversErrors)
            seconds = std::max(seconds, value);
    }
    return seconds;
}

} // namespace

SentryTransport::SentryTransport(SentryDsn dsn, QString clientName, EnvelopeQueue &queue)
    : m_dsn(std::move(dsn))
    , m_clientName(std::move(clientName))
    , m_queue(queue)
    , m_resumeTimer(new QTimer(this))
{
    m_resumeTimer->setSingleShot(true);
    connect(m_resumeTimer, &QTimer::timeout, this, &SentryTransport::sendPending);
}

SentryTransport::~SentryTransport() = default;

void SentryTransport::sendPending()
{
    if (m_sending || m_resumeTimer->isActive())
        return;
    if (!m_network)
        m_network = std::make_unique<QNetworkAccessManager>();
    sendNext();
}

int SentryTransport::rateLimitSeconds(const QByteArray &retryAfter,
                                      const QByteArray &sentryRateLimits, int status,
                                      const QDateTime &now)
{
    if (!sentryRateLimits.isEmpty())
        return sentryRateLimitSeconds(sentryRateLimits);
    if (status != 429)
        return 0;
    bool ok = false;
    const int seconds = retryAfter.trimmed().toInt(&ok);
    if (ok)
        return std::max(seconds, 0);
    // HTTP dates end in "GMT", which Qt's RFC 2822 reader does not take for a zone.
    QString dateText = QString::fromLatin1(retryAfter.trimmed());
    if (dateText.endsWith(u" GMT"_s))
        dateText = dateText.chopped(3) + u"+0000"_s;
    const QDateTime date = QDateTime::fromString(dateText, Qt::RFC2822Date);
    if (date.isValid())
        return std::max<qint64>(now.secsTo(date), 0);
    return defaultRateLimitSeconds;
}

void SentryTransport::sendNext()
{
    const QStringList pending = m_queue.pending();
    if (pending.isEmpty())
        return;
    const QString path = pending.first();
    const std::optional<QByteArray> envelope = m_queue.read(path);
    if (!envelope) {
        m_queue.remove(path);
        sendNext();
        return;
    }

    QNetworkRequest request(m_dsn.envelopeUrl());
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-sentry-envelope"_ba);
    request.setHeader(QNetworkRequest::UserAgentHeader, m_clientName);
    request.setRawHeader("X-Sentry-Auth"_ba, m_dsn.authHeader(m_clientName));
    request.setTransferTimeout(requestTimeoutMs);
    m_sending = true;
    QNetworkReply *reply = m_network->post(request, *envelope);
    connect(reply, &QNetworkReply::finished, this, [this, reply, path] { replied(reply, path); });
}

void SentryTransport::replied(QNetworkReply *reply, const QString &path)
{
    reply->deleteLater();
    m_sending = false;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const int holdSeconds = rateLimitSeconds(reply->rawHeader("Retry-After"_ba),
                                             reply->rawHeader("X-Sentry-Rate-Limits"_ba), status,
                                             QDateTime::currentDateTimeUtc());
    if (holdSeconds > 0)
        holdFor(holdSeconds);

    if (status == 0 || status == 429 || status >= 500) {
        // Not delivered: it waits for the next try, and so does everything behind it.
        if (!m_failing)
            qWarning("Crash report not sent (%s); it will be sent later",
                     qPrintable(status ? QString::number(status) : reply->errorString()));
        m_failing = true;
        return;
    }
    m_failing = false;
    // Delivered, or refused for good: either way it must not be sent again.
    if (status >= 400)
        qWarning("Crash report refused by the server (HTTP %d)", status);
    m_queue.remove(path);
    if (holdSeconds == 0)
        sendNext();
}

void SentryTransport::holdFor(int seconds)
{
    // A timer cannot wait for weeks; a process that runs a day without reports loses nothing.
    constexpr int longestHoldSeconds = 24 * 60 * 60;
    const int milliseconds = std::min(seconds, longestHoldSeconds) * 1000;
    if (!m_resumeTimer->isActive() || m_resumeTimer->remainingTime() < milliseconds)
        m_resumeTimer->start(milliseconds);
}
