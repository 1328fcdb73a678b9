// SPDX-License-Identifier: GPL-3.0-or-later
#include "PackageKitTransaction.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCall>

#include <qcoro/qcorodbuspendingcall.h>
#include <qcoro/qcorosignal.h>

#include <algorithm>
#include <iterator>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString transactionInterface = u"org.freedesktop.PackageKit.Transaction"_s;
constexpr uint exitSuccess = 1;
// PackageKit's Percentage when it cannot tell how far it is.
constexpr uint percentageUnknown = 101;

// The transaction's signals that it listens to, from its making to its end.
struct Subscription
{
    const char *interface;
    const char *signal;
    const char *slot;
};
constexpr Subscription subscriptions[] = {
    {"org.freedesktop.PackageKit.Transaction", "Package",
     SLOT(takePackage(uint, QString, QString))},
    {"org.freedesktop.PackageKit.Transaction", "ErrorCode", SLOT(takeErrorCode(uint, QString))},
    {"org.freedesktop.PackageKit.Transaction", "Finished", SLOT(takeFinished(uint, uint))},
    {"org.freedesktop.DBus.Properties", "PropertiesChanged",
     SLOT(takeProperties(QString, QVariantMap, QStringList))},
};

} // namespace

PackageKitTransaction::PackageKitTransaction(QDBusConnection bus, QString path)
    : m_bus(std::move(bus))
    , m_path(std::move(path))
    , m_daemonWatcher(serviceName(), m_bus, QDBusServiceWatcher::WatchForUnregistration)
{
    connect(&m_daemonWatcher, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
        end(QCoreApplication::translate("PackageKitTransaction", "PackageKit stopped."));
    });
    const bool listening =
        std::all_of(std::begin(subscriptions), std::end(subscriptions), [this](const auto &s) {
            return m_bus.connect(serviceName(), m_path, QString::fromLatin1(s.interface),
                                 QString::fromLatin1(s.signal), this, s.slot);
        });
    if (!listening)
        end(QCoreApplication::translate("PackageKitTransaction",
                                        "The transaction's signals cannot be received."));
}

PackageKitTransaction::~PackageKitTransaction()
{
    for (const Subscription &s : subscriptions)
        m_bus.disconnect(serviceName(), m_path, QString::fromLatin1(s.interface),
                         QString::fromLatin1(s.signal), this, s.slot);
}

QString PackageKitTransaction::serviceName()
{
    return u"org.freedesktop.PackageKit"_s;
}

QCoro::Task<std::optional<QString>> PackageKitTransaction::call(QString method,
                                                                QVariantList arguments)
{
    QDBusMessage message =
        QDBusMessage::createMethodCall(serviceName(), m_path, transactionInterface, method);
    message.setArguments(arguments);
    const QDBusMessage reply = co_await m_bus.asyncCall(message);
    if (reply.type() == QDBusMessage::ErrorMessage)
        co_return reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
    co_return std::nullopt;
}

QCoro::Task<std::optional<QString>>
PackageKitTransaction::outcome(std::chrono::milliseconds timeout)
{
    if (!m_outcome)
        co_await qCoro(this, &PackageKitTransaction::ended, timeout);
    if (!m_outcome)
        endUnfinished();
    co_return *m_outcome;
}

void PackageKitTransaction::endUnfinished()
{
    end(QCoreApplication::translate("PackageKitTransaction", "PackageKit did not finish."));
}

void PackageKitTransaction::abandon()
{
    if (m_outcome)
        return;
    m_bus.asyncCall(
        QDBusMessage::createMethodCall(serviceName(), m_path, transactionInterface, u"Cancel"_s));
    end(QCoreApplication::translate("PackageKitTransaction", "The installation was cancelled."));
}

void PackageKitTransaction::takePackage(uint info, const QString &packageId, const QString &)
{
    m_packages[info] << packageId;
}

void PackageKitTransaction::takeProperties(const QString &interface, const QVariantMap &changed,
                                           const QStringList &)
{
    const QVariant percentage = changed.value(u"Percentage"_s);
    if (interface != transactionInterface || !percentage.isValid())
        return;
    const uint percent = percentage.toUInt();
    Q_EMIT percentageChanged(percent >= percentageUnknown ? -1 : int(percent));
}

void PackageKitTransaction::takeErrorCode(uint, const QString &details)
{
    // Finished follows, but the error alone already decides the outcome.
    end(details);
}

void PackageKitTransaction::takeFinished(uint exit, uint)
{
    if (exit == exitSuccess) {
        end(std::nullopt);
        return;
    }
    end(QCoreApplication::translate("PackageKitTransaction", "PackageKit did not succeed."));
}

void PackageKitTransaction::end(std::optional<QString> problem)
{
    if (m_outcome)
        return;
    m_outcome = std::move(problem);
    Q_EMIT ended();
}
