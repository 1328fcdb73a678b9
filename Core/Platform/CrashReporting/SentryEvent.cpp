// SPDX-License-Identifier: GPL-3.0-or-later
#include "SentryEvent.h"

#include "Base/Error.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSysInfo>
#include <QUuid>

using namespace Qt::Literals::StringLiterals;

namespace {

QString timestampText(const QDateTime &time)
{
    return time.toUTC().toString(Qt::ISODateWithMs);
}

bool isInApp(const StackFrame &frame, const QStringList &inAppIncludes)
{
    QString module = QFileInfo(frame.package).fileName();
    if (module.startsWith(u"lib"_s))
        module.remove(0, 3);
    return std::any_of(inAppIncludes.cbegin(), inAppIncludes.cend(),
                       [&](const QString &include) { return module.startsWith(include); });
}

QJsonObject frameObject(const StackFrame &frame, const QStringList &inAppIncludes)
{
    QJsonObject object{
        {u"instruction_addr"_s, u"0x"_s + QString::number(frame.instructionAddress, 16)},
        {u"in_app"_s, isInApp(frame, inAppIncludes)}};
    if (!frame.package.isEmpty())
        object.insert(u"package"_s, frame.package);
    if (!frame.function.isEmpty())
        object.insert(u"function"_s, frame.function);
    return object;
}

QJsonObject exceptionObject(const Error &error, const QList<StackFrame> &stack,
                            const QStringList &inAppIncludes)
{
    QJsonArray frames;
    for (const StackFrame &frame : stack)
        frames.append(frameObject(frame, inAppIncludes));
    const QJsonObject mechanism{
        {u"type"_s, u"error"_s},
        {u"handled"_s, true},
        {u"data"_s, QJsonObject::fromVariantMap(error.userInfo())},
        {u"meta"_s, QJsonObject{{u"ns_error"_s, QJsonObject{{u"domain"_s, error.domain()},
                                                            {u"code"_s, error.code()}}}}}};
    QJsonObject exception{{u"type"_s, error.domain()},
                          {u"value"_s, error.localizedDescription()},
                          {u"mechanism"_s, mechanism}};
    if (!frames.isEmpty())
        exception.insert(u"stacktrace"_s, QJsonObject{{u"frames"_s, frames}});
    return exception;
}

} // namespace

SentryEvent::SentryEvent(const Error &error, const QJsonArray &breadcrumbs,
                         const QList<StackFrame> &stack, const SentryOptions &options)
    : m_eventId(QUuid::createUuid().toString(QUuid::Id128))
    , m_payload(fixedFields(options, m_eventId, u"error"_s))
{
    m_payload.insert(u"timestamp"_s, timestampText(QDateTime::currentDateTimeUtc()));
    m_payload.insert(u"breadcrumbs"_s, QJsonObject{{u"values"_s, breadcrumbs}});
    m_payload.insert(u"exception"_s,
                     QJsonObject{{u"values"_s, QJsonArray{exceptionObject(
                                                   error, stack, options.inAppIncludes)}}});
}

QJsonObject SentryEvent::fixedFields(const SentryOptions &options, const QString &eventId,
                                     const QString &level)
{
    return {
        {u"event_id"_s, eventId},
        {u"platform"_s, u"native"_s},
        {u"level"_s, level},
        {u"release"_s, options.release},
        {u"sdk"_s, QJsonObject{{u"name"_s, options.clientName.section(u'/', 0, 0)},
                               {u"version"_s, options.clientName.section(u'/', 1)}}},
        {u"contexts"_s,
         QJsonObject{{u"os"_s, QJsonObject{{u"name"_s, QSysInfo::kernelType()},
                                           {u"version"_s, QSysInfo::kernelVersion()},
                                           {u"distribution"_s, QSysInfo::prettyProductName()}}}}}};
}

QByteArray SentryEvent::envelopeHead(const QString &eventId, const SentryDsn &dsn,
                                     std::optional<qsizetype> length)
{
    // No "sent_at": envelopes may wait in the queue for days, and the service would take the
    // time of writing for the time of sending and shift the event by the difference.
    const QJsonObject header{{u"event_id"_s, eventId}, {u"dsn"_s, dsn.toString()}};
    QJsonObject itemHeader{{u"type"_s, u"event"_s}, {u"content_type"_s, u"application/json"_s}};
    if (length)
        itemHeader.insert(u"length"_s, *length);
    return QJsonDocument(header).toJson(QJsonDocument::Compact) + '\n' +
           QJsonDocument(itemHeader).toJson(QJsonDocument::Compact) + '\n';
}

QByteArray SentryEvent::envelope(const SentryDsn &dsn) const
{
    const QByteArray event = QJsonDocument(m_payload).toJson(QJsonDocument::Compact);
    return envelopeHead(m_eventId, dsn, event.size()) + event + '\n';
}
