// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Base/Error.h"

#include <QDBusConnection>
#include <QPointer>
#include <QString>
#include <chrono>
#include <functional>
#include <optional>
#include <qcoro/qcorotask.h>

class PackageKitTransaction;

/// Installs Debian packages through PackageKit over D-Bus, which asks the user for an
/// administrator's consent the desktop's own way.
///
/// A package by name is first resolved (an installed one needs nothing more), then installed from
/// the trusted sources only; a package file is installed as it is. Errors say what PackageKit
/// said, or that it is not there; the caller words them for the user. Main thread.
class PackageInstaller
{
public:
    /// The codes of the installer's errors, in errorDomain().
    enum ErrorCode { Unavailable = 1, Failed, Unknown, Cancelled };

    /// How far the installing step is, 0 to 100, or -1 when PackageKit cannot tell.
    using Progress = std::function<void(int percent)>;

    /// An installer that talks to the PackageKit on \a bus (the system bus, but for tests).
    explicit PackageInstaller(QDBusConnection bus = QDBusConnection::systemBus());

    /// The bus at \a address where PackageKit is found; the system bus when it is empty.
    static QDBusConnection busAt(const QString &address);

    /// Installs \a package unless it is installed; none when it is there afterwards. \a progress
    /// hears how far the installing step is, while it runs.
    QCoro::Task<std::optional<Error>> install(QString package, Progress progress = {});

    /// Installs the package files at \a paths, whose origin the caller has checked: PackageKit
    /// cannot know it, so it asks for the consent that packages from no trusted source need.
    /// None when they are installed.
    QCoro::Task<std::optional<Error>> installFiles(QStringList paths, Progress progress = {});

    /// Ends an installation under way with a Cancelled error, and asks PackageKit to stop it.
    void cancel();

    /// The longest wait for one step of PackageKit, the user's consent included.
    static constexpr std::chrono::minutes stepTimeout{15};

    static QString errorDomain();

private:
    QCoro::Task<std::variant<std::unique_ptr<PackageKitTransaction>, Error>> newTransaction();
    /// Calls \a method in a transaction of its own and waits for its end.
    QCoro::Task<std::optional<Error>> runAlone(QString method, QVariantList arguments,
                                               Progress progress);
    QCoro::Task<std::optional<Error>> run(PackageKitTransaction &transaction, QString method,
                                          QVariantList arguments, Progress progress = {});

    QDBusConnection m_bus;
    QPointer<PackageKitTransaction> m_current;
    bool m_cancelled = false;
};
