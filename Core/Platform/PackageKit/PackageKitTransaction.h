// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QVariantList>
#include <chrono>
#include <optional>
#include <qcoro/qcorotask.h>

/// One PackageKit transaction on D-Bus: a method call, the packages it reports, and how it ends.
///
/// PackageKit runs a transaction in the background and tells about it only in signals, so the
/// transaction listens from the moment it is made, before any method is called. A daemon that
/// leaves the bus ends the transaction with an error rather than leaving it waiting. Main thread.
class PackageKitTransaction : public QObject
{
    Q_OBJECT

public:
    /// What a Package signal says of a package.
    enum Info : uint { Installed = 1, Available = 2 };

    /// Listens to the transaction at \a path on \a bus.
    PackageKitTransaction(QDBusConnection bus, QString path);
    ~PackageKitTransaction() override;

    /// Calls \a method of the transaction with \a arguments; the D-Bus error's text when it fails.
    QCoro::Task<std::optional<QString>> call(QString method, QVariantList arguments);

    /// Suspends until the transaction has finished, failed, was abandoned or \a timeout passed;
    /// none when it succeeded, else what went wrong.
    QCoro::Task<std::optional<QString>> outcome(std::chrono::milliseconds timeout);

    /// Asks PackageKit to cancel the transaction, and ends it with an error at once.
    void abandon();

    /// The ids of the packages reported with \a info.
    QStringList packages(Info info) const { return m_packages.value(info); }

    static QString serviceName();

Q_SIGNALS:
    /// The transaction has ended, one way or another.
    void ended();
    /// PackageKit has said how far the transaction is: 0 to 100, or -1 when it cannot tell.
    void percentageChanged(int percent);

private Q_SLOTS:
    void takePackage(uint info, const QString &packageId, const QString &summary);
    void takeProperties(const QString &interface, const QVariantMap &changed,
                        const QStringList &invalidated);
    void takeErrorCode(uint code, const QString &details);
    void takeFinished(uint exit, uint runtime);

private:
    void end(std::optional<QString> problem);
    // Out of the coroutine, whose string literals GCC 12 cannot compile.
    void endUnfinished();

    QDBusConnection m_bus;
    const QString m_path;
    QDBusServiceWatcher m_daemonWatcher;
    QHash<uint, QStringList> m_packages;
    // Set once the transaction has ended: the problem, or none on success.
    std::optional<std::optional<QString>> m_outcome;
};
