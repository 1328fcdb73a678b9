// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakePackageKit.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDir>
#include <QFile>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString transactionInterface = u"org.freedesktop.PackageKit.Transaction"_s;
constexpr uint infoInstalled = 1;
constexpr uint infoAvailable = 2;
constexpr uint exitSuccess = 1;
constexpr uint exitFailed = 2;
constexpr uint errorNotAuthorized = 4;
constexpr uint percentageUnknown = 101;

QString describeArgument(const QVariant &argument)
{
    return argument.canConvert<QStringList>() ? argument.toStringList().join(u',')
                                              : argument.toString();
}

} // namespace

FakePackageKit::FakePackageKit(QString modesDirectory, Outcome outcome)
    : m_modesDirectory(std::move(modesDirectory))
    , m_outcome(outcome)
    , m_connectionName(u"FakePackageKit-%1"_s.arg(quintptr(this)))
{}

FakePackageKit::~FakePackageKit()
{
    QDBusConnection::disconnectFromBus(m_connectionName);
}

bool FakePackageKit::serveOn(const QString &address)
{
    QDBusConnection bus = QDBusConnection::connectToBus(address, m_connectionName);
    return bus.isConnected() && bus.registerService(u"org.freedesktop.PackageKit"_s) &&
           bus.registerVirtualObject(u"/"_s, this, QDBusConnection::SubPath);
}

bool FakePackageKit::handleMessage(const QDBusMessage &message, const QDBusConnection &connection)
{
    QStringList arguments;
    for (const QVariant &argument : message.arguments())
        arguments << describeArgument(argument);
    m_calls << message.member() + u':' + arguments.join(u',');

    QDBusConnection bus = connection;
    const QString member = message.member();
    if (member == u"CreateTransaction") {
        const QDBusObjectPath path(u"/%1_fake"_s.arg(++m_transactions));
        bus.send(message.createReply(QVariant::fromValue(path)));
        return true;
    }
    bus.send(message.createReply());
    const QString path = message.path();
    if (member == u"Resolve") {
        for (const QString &package : message.arguments().value(1).toStringList()) {
            const bool installed = m_installed.contains(package);
            emitLater(
                path, u"Package"_s,
                {installed ? infoInstalled : infoAvailable,
                 package + (installed ? u";1.0;all;installed:debian"_s : u";1.0;all;debian"_s),
                 u"Apertium pair"_s});
        }
        emitLater(path, u"Finished"_s, {exitSuccess, 1u});
    } else if (member == u"InstallPackages" || member == u"InstallFiles") {
        if (m_outcome == Outcome::Refuses) {
            emitLater(path, u"ErrorCode"_s, {errorNotAuthorized, u"Not authorized"_s});
            emitLater(path, u"Finished"_s, {exitFailed, 1u});
            return true;
        }
        emitPercentage(path, percentageUnknown);
        emitPercentage(path, 40);
        if (m_outcome == Outcome::Installs) {
            emitPercentage(path, 80);
            install(message.arguments().value(1).toStringList().value(0));
            emitLater(path, u"Finished"_s, {exitSuccess, 1u});
        }
    }
    return true;
}

void FakePackageKit::emitPercentage(const QString &path, uint percent)
{
    emitLater(path, u"PropertiesChanged"_s,
              {transactionInterface, QVariantMap{{u"Percentage"_s, percent}}, QStringList()},
              u"org.freedesktop.DBus.Properties"_s);
}

void FakePackageKit::emitLater(const QString &path, const QString &name,
                               const QVariantList &arguments, const QString &interface)
{
    const QString connectionName = m_connectionName;
    QTimer::singleShot(0, this, [connectionName, path, name, arguments, interface] {
        QDBusMessage signal = QDBusMessage::createSignal(path, interface, name);
        signal.setArguments(arguments);
        QDBusConnection(connectionName).send(signal);
    });
}

void FakePackageKit::install(const QString &packageId)
{
    if (!packageId.startsWith(u"apertium-eng-spa;"))
        return;
    QDir().mkpath(m_modesDirectory);
    for (const QString &mode : {u"eng-spa"_s, u"spa-eng"_s, u"spa-eng_US"_s})
        QFile::copy(u"/usr/share/apertium/modes/%1.mode"_s.arg(mode),
                    m_modesDirectory + u"/%1.mode"_s.arg(mode));
}
