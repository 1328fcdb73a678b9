// SPDX-License-Identifier: GPL-3.0-or-later
#include "PackageInstaller.h"

#include "PackageKitTransaction.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>

#include <qcoro/qcorodbuspendingcall.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// PackageKit's bitfields: the "none" filter, installing from trusted sources only, and no flag.
constexpr quint64 filterNone = 1 << 1;
constexpr quint64 onlyTrusted = 1 << 1;
constexpr quint64 noFlags = 0;

// GCC 12 cannot compile string literals inside coroutines ("array used as initializer"), so
// coroutines take their names and texts from here.
const QString resolveMethod = QStringLiteral("Resolve");
const QString installMethod = QStringLiteral("InstallPackages");
const QString installFilesMethod = QStringLiteral("InstallFiles");
const QString hintsMethod = QStringLiteral("SetHints");

QVariantList resolveArguments(const QString &package)
{
    return {QVariant::fromValue(filterNone), QStringList{package}};
}

QVariantList installArguments(const QString &packageId)
{
    return {QVariant::fromValue(onlyTrusted), QStringList{packageId}};
}

QVariantList installFilesArguments(const QStringList &paths)
{
    return {QVariant::fromValue(noFlags), paths};
}

QVariantList hintsArguments()
{
    return {QStringList{u"interactive=true"_s}};
}

QDBusMessage createTransactionMessage()
{
    return QDBusMessage::createMethodCall(PackageKitTransaction::serviceName(),
                                          u"/org/freedesktop/PackageKit"_s,
                                          u"org.freedesktop.PackageKit"_s, u"CreateTransaction"_s);
}

Error cancellation()
{
    return Error::fromMessage(
        QCoreApplication::translate("PackageInstaller", "The installation was cancelled."),
        PackageInstaller::errorDomain(), PackageInstaller::Cancelled);
}

Error unknownPackage(const QString &package)
{
    return Error::fromMessage(
        QCoreApplication::translate("PackageInstaller", "The software sources do not offer %1.")
            .arg(package),
        PackageInstaller::errorDomain(), PackageInstaller::Unknown);
}

Error unavailable(const QString &reason)
{
    return Error::fromMessage(
        QCoreApplication::translate("PackageInstaller", "PackageKit is not available: %1")
            .arg(reason),
        PackageInstaller::errorDomain(), PackageInstaller::Unavailable);
}

Error installerError(PackageInstaller::ErrorCode code, const QString &message)
{
    return Error::fromMessage(message, PackageInstaller::errorDomain(), code);
}

} // namespace

PackageInstaller::PackageInstaller(QDBusConnection bus)
    : m_bus(std::move(bus))
{}

QString PackageInstaller::errorDomain()
{
    return u"Voxlume.PackageInstaller"_s;
}

QDBusConnection PackageInstaller::busAt(const QString &address)
{
    if (address.isEmpty())
        return QDBusConnection::systemBus();
    return QDBusConnection::connectToBus(address, u"Voxlume.PackageKit."_s + address);
}

QCoro::Task<std::optional<Error>> PackageInstaller::install(QString package, Progress progress)
{
    m_cancelled = false;
    auto resolving = co_await newTransaction();
    if (auto *error = std::get_if<Error>(&resolving))
        co_return *error;
    auto &resolver = *std::get<std::unique_ptr<PackageKitTransaction>>(resolving);
    if (auto error = co_await run(resolver, resolveMethod, resolveArguments(package)))
        co_return error;
    const QStringList available = resolver.packages(PackageKitTransaction::Available);
    if (available.isEmpty() && !resolver.packages(PackageKitTransaction::Installed).isEmpty())
        co_return std::nullopt;
    if (available.isEmpty())
        co_return unknownPackage(package);
    co_return co_await runAlone(installMethod, installArguments(available.first()),
                                std::move(progress));
}

QCoro::Task<std::optional<Error>> PackageInstaller::installFiles(QStringList paths,
                                                                 Progress progress)
{
    m_cancelled = false;
    co_return co_await runAlone(installFilesMethod, installFilesArguments(paths),
                                std::move(progress));
}

QCoro::Task<std::optional<Error>> PackageInstaller::runAlone(QString method, QVariantList arguments,
                                                             Progress progress)
{
    auto made = co_await newTransaction();
    if (auto *error = std::get_if<Error>(&made))
        co_return *error;
    auto &transaction = *std::get<std::unique_ptr<PackageKitTransaction>>(made);
    co_return co_await run(transaction, method, arguments, std::move(progress));
}

void PackageInstaller::cancel()
{
    m_cancelled = true;
    if (m_current)
        m_current->abandon();
}

QCoro::Task<std::variant<std::unique_ptr<PackageKitTransaction>, Error>>
PackageInstaller::newTransaction()
{
    if (!m_bus.isConnected())
        co_return unavailable(m_bus.lastError().message());
    const QDBusMessage reply = co_await m_bus.asyncCall(createTransactionMessage());
    if (m_cancelled)
        co_return cancellation();
    if (reply.type() == QDBusMessage::ErrorMessage || reply.arguments().isEmpty())
        co_return unavailable(reply.errorMessage());
    const QString path = reply.arguments().constFirst().value<QDBusObjectPath>().path();
    auto transaction = std::make_unique<PackageKitTransaction>(m_bus, path);
    if (const auto problem = co_await transaction->call(hintsMethod, hintsArguments()))
        co_return installerError(Failed, *problem);
    co_return std::move(transaction);
}

QCoro::Task<std::optional<Error>> PackageInstaller::run(PackageKitTransaction &transaction,
                                                        QString method, QVariantList arguments,
                                                        Progress progress)
{
    m_current = &transaction;
    if (progress)
        QObject::connect(&transaction, &PackageKitTransaction::percentageChanged, progress);
    if (m_cancelled)
        transaction.abandon();
    else if (const auto problem = co_await transaction.call(method, arguments))
        co_return installerError(Failed, *problem);
    const auto problem = co_await transaction.outcome(stepTimeout);
    if (m_cancelled)
        co_return cancellation();
    if (problem)
        co_return installerError(Failed, *problem);
    co_return std::nullopt;
}
