// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QStringList>

/// A stand-in for PackageKit on a private bus: the calls and signals of a resolve and an install,
/// by package name or of package files, with an outcome the test chooses. An install that is not
/// refused reports its progress first: unknown, then 40 %, and 80 % when it goes on to finish.
///
/// Installing apertium-eng-spa copies the system's eng-spa modes into the test's modes folder, so
/// that the pair then translates for real. Main thread.
class FakePackageKit : public QDBusVirtualObject
{
    Q_OBJECT

public:
    /// What InstallPackages and InstallFiles do.
    enum class Outcome { Installs, Refuses, NeverFinishes };

    FakePackageKit(QString modesDirectory, Outcome outcome);
    ~FakePackageKit() override;

    /// Takes PackageKit's name on the bus at \a address.
    bool serveOn(const QString &address);

    /// Lets Resolve report \a package as installed already.
    void markInstalled(const QString &package) { m_installed << package; }

    /// The methods called so far, each as "Method:argument,argument".
    QStringList calls() const { return m_calls; }

    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

private:
    void
    emitLater(const QString &path, const QString &name, const QVariantList &arguments,
              const QString &interface = QStringLiteral("org.freedesktop.PackageKit.Transaction"));
    void emitPercentage(const QString &path, uint percent);
    void install(const QString &packageId);

    const QString m_modesDirectory;
    const Outcome m_outcome;
    const QString m_connectionName;
    QStringList m_installed;
    QStringList m_calls;
    int m_transactions = 0;
};
