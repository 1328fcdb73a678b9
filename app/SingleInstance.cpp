// SPDX-License-Identifier: GPL-3.0-or-later
#include "SingleInstance.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>

using namespace Qt::Literals::StringLiterals;

namespace {

// Long enough for an instance that is still starting (loading its speech model, say).
constexpr int handOverTimeoutMs = 10000;
// The instance may end between the refused claim and the hand-over; then the name is free again.
constexpr int claimAttempts = 3;

} // namespace

SingleInstance::SingleInstance(QObject *parent)
    : QObject(parent)
{}

QString SingleInstance::serviceName()
{
    return QStringLiteral(VOXLUME_APP_ID);
}

QString SingleInstance::objectPath()
{
    // The interface's convention: the application id with dots as slashes.
    return u'/' + serviceName().replace(u'.', u'/');
}

QString SingleInstance::toggleAction()
{
    return u"toggle-live-subtitles"_s;
}

SingleInstance::Claim SingleInstance::claim(Request request)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return Claim::NoSessionBus;
    // Before the name, so that a launch that finds the name finds the object behind it too. Its
    // adaptors serve the program's other interfaces on the same object.
    if (!bus.registerObject(objectPath(), this,
                            QDBusConnection::ExportScriptableSlots |
                                QDBusConnection::ExportAdaptors)) {
        m_error = bus.lastError().message();
        return Claim::Failed;
    }
    for (int attempt = 0; attempt < claimAttempts; ++attempt) {
        const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
            bus.interface()->registerService(serviceName(),
                                             QDBusConnectionInterface::DontQueueService,
                                             QDBusConnectionInterface::DontAllowReplacement);
        if (!reply.isValid()) {
            m_error = reply.error().message();
            return Claim::Failed;
        }
        if (reply.value() == QDBusConnectionInterface::ServiceRegistered)
            return Claim::First;
        switch (handOver(request)) {
        case HandOver::Taken:
            return Claim::HandedOver;
        case HandOver::Refused:
            bus.unregisterObject(objectPath());
            return Claim::Failed;
        case HandOver::NoInstance:
            break;
        }
    }
    bus.unregisterObject(objectPath());
    return Claim::Failed;
}

SingleInstance::HandOver SingleInstance::handOver(Request request)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        serviceName(), objectPath(), u"org.freedesktop.Application"_s,
        request == Request::Activate ? u"Activate"_s : u"ActivateAction"_s);
    if (request == Request::Activate)
        call << QVariantMap();
    else
        call << toggleAction() << QVariantList() << QVariantMap();
    const QDBusMessage answer =
        QDBusConnection::sessionBus().call(call, QDBus::Block, handOverTimeoutMs);
    if (answer.type() != QDBusMessage::ErrorMessage)
        return HandOver::Taken;
    m_error = answer.errorMessage();
    const QString error = answer.errorName();
    return error == u"org.freedesktop.DBus.Error.ServiceUnknown"_s ||
                   error == u"org.freedesktop.DBus.Error.NameHasNoOwner"_s
               ? HandOver::NoInstance
               : HandOver::Refused;
}

void SingleInstance::Activate(const QVariantMap &)
{
    Q_EMIT activateRequested();
}

void SingleInstance::ActivateAction(const QString &actionName, const QVariantList &,
                                    const QVariantMap &)
{
    if (actionName != toggleAction()) {
        sendErrorReply(QDBusError::InvalidArgs, u"No action named "_s + actionName);
        return;
    }
    Q_EMIT toggleRequested();
}

void SingleInstance::Open(const QStringList &, const QVariantMap &)
{
    Q_EMIT activateRequested();
}
