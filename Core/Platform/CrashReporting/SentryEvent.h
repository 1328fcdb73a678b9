// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SentryOptions.h"
#include "StackTrace.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <optional>

class Error;

/// The event that reports one captured error, and the envelope that carries it to the service.
class SentryEvent
{
public:
    /// An event for \a error: an exception whose type is the error's domain, with its code and
    /// user information in the mechanism, the \a stack, and the \a breadcrumbs in order.
    SentryEvent(const Error &error, const QJsonArray &breadcrumbs, const QList<StackFrame> &stack,
                const SentryOptions &options);

    /// 32 hexadecimal digits, unique to this event.
    QString eventId() const { return m_eventId; }
    QJsonObject payload() const { return m_payload; }

    /// The envelope: a header line, an item header line and the event, each ended by a newline.
    QByteArray envelope(const SentryDsn &dsn) const;

    /// The fields of every event of a client: identity, level, release, SDK and system.
    static QJsonObject fixedFields(const SentryOptions &options, const QString &eventId,
                                   const QString &level);

    /// The envelope's header line and the event item's header line; without a \a length the
    /// event runs to the next newline.
    static QByteArray envelopeHead(const QString &eventId, const SentryDsn &dsn,
                                   std::optional<qsizetype> length);

private:
    QString m_eventId;
    QJsonObject m_payload;
};
