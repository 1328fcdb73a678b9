// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Base/Error.h"
#include "Platform/Translation/Apertium/ApertiumPairTable.h"

#include <QFileSystemWatcher>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <functional>
#include <optional>
#include <qcoro/qcorotask.h>

/// Every translation direction that Apertium's Debian packages offer here, named in the user's
/// language, with whether it is installed, and the installing of its package through PackageKit:
/// the data of the "Translation Languages" window.
///
/// Entries are sorted by source name, then target name, in the user's collation, and keep their
/// rows. A direction is Installed when its mode file is in the modes folder; the folder is
/// watched, so pairs installed or removed by other means show too. Installing a package moves
/// every direction it provides together. Destroying the model leaves an install under way to
/// PackageKit, without hearing its outcome. Main thread.
class TranslationLanguagesModel : public QObject
{
    Q_OBJECT

public:
    /// Where the model looks and installs.
    struct Configuration
    {
        /// The folder of installed mode files; it need not exist yet.
        QString modesDirectory;
        /// The D-Bus address where PackageKit is found; empty for the system bus.
        QString packageKitBusAddress;
    };

    /// Where a direction stands: its mode file is there, its package can be installed, is being
    /// installed, or its last install failed.
    enum class State { Installed, Installable, Installing, Failed };

    /// One direction, as the user sees it.
    struct Entry
    {
        ApertiumPairTable::Direction direction;
        /// The source and target named in the user's language, with their variant if any.
        QString sourceName;
        QString targetName;
        State state = State::Installable;
        /// While Installing: how far, 0 to 100, or -1 when PackageKit cannot tell.
        int percent = -1;
        /// When Failed: why, for the user.
        QString failure;
    };

    explicit TranslationLanguagesModel(Configuration configuration, QObject *parent = nullptr);

    /// The entries, in display order.
    const QList<Entry> &entries() const { return m_entries; }

    /// The row of the direction whose mode is \a mode, or -1.
    int rowOf(const QString &mode) const;

    /// Installs \a package through PackageKit, unless it is being installed or all its directions
    /// are there; its entries go through Installing to Installed or Failed.
    void install(const QString &package);

Q_SIGNALS:
    /// The entry at \a row has a new state, progress or failure.
    void entryChanged(int row);

private:
    QCoro::Task<> runInstall(QString package);
    /// Hears PackageKit's progress on \a package for as long as the model is there.
    std::function<void(int)> progressOf(const QString &package);
    void showProgress(const QString &package, int percent);
    void finishInstall(const QString &package, const std::optional<Error> &failure);
    QString failureText(const QString &package, const std::optional<Error> &failure) const;
    void watchModesFolder();
    /// Reads the modes folder once and updates every entry that is not being installed.
    void recheck();
    QSet<QString> installedModes() const;
    void update(int row, State state, int percent = -1, const QString &failure = {});

    const Configuration m_configuration;
    QList<Entry> m_entries;
    QSet<QString> m_installing;
    QFileSystemWatcher m_watcher;
};
