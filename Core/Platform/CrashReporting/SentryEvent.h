// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Breadcrumb.h"
#include "SentryOptions.h"
#include "StackTrace.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>

class Error;

/// The event that reports one captured error, and the envelope that carries it to the service.
class SentryEvent {
public:
    /// An event for \a error: an exception whose type is the error's domain, with its code and
    /// user information in the mechanism, the \a stack, and the \a breadcrumbs in order.
    SentryEvent(const Error &error, const QList<Breadcrumb> &breadcrumbs,
                const QList<StackFrame> &stack, const SentryOptions &options);

    /// 32 hexadecimal digits, unique to this event.
    QString eventId() const { return m_eventId; }
    QJsonObject payload() const { return m_payload; }

    /// The envelope: a header line, an item header line and the event, each ended by a newline.
    QByteArray envelope(const SentryDsn &dsn) const;

private:
    QString m_eventId;
    QJsonObject m_payload;
};
