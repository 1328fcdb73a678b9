// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SentryDsn.h"

#include <QDateTime>
#include <QObject>
#include <memory>

class EnvelopeQueue;
class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

/// Sends the envelopes of a queue to the service, one at a time, oldest first.
///
/// Lives on a thread of its own, so that no report ever waits on the network in the main thread.
/// Sent and rejected envelopes leave the queue; the others stay for a later try. A rate limit
/// (429 with Retry-After, or X-Sentry-Rate-Limits) holds all sending until it has passed.
class SentryTransport : public QObject
{
    Q_OBJECT

public:
    SentryTransport(SentryDsn dsn, QString clientName, EnvelopeQueue &queue);
    ~SentryTransport() override;

    /// Starts sending what waits in the queue, unless a send is already under way. Call it through
    /// a queued connection from other threads.
    Q_INVOKABLE void sendPending();

    /// Seconds to hold sending after a reply with these headers; 0 when they set no limit.
    static int rateLimitSeconds(const QByteArray &retryAfter, const QByteArray &sentryRateLimits,
                                int status, const QDateTime &now);

private:
    void sendNext();
    void replied(QNetworkReply *reply, const QString &path);
    void holdFor(int seconds);

    SentryDsn m_dsn;
    QString m_clientName;
    EnvelopeQueue &m_queue;
    std::unique_ptr<QNetworkAccessManager> m_network;
    QTimer *m_resumeTimer;
    bool m_sending = false;
    /// Said once per outage, not once per report.
    bool m_failing = false;
};
