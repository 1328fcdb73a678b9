// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

class ModelContainer;

/// Tells when another connection to a store's file, another process most often, has committed
/// changes to it: the saves that ModelContainer::didSave cannot announce.
///
/// Watches the database, its write-ahead log (which SQLite may delete and create again) and their
/// folder; when a burst of writes has settled, asks SQLite whether another connection changed the
/// data. So one commit is told once, and the container's own saves are not told at all. Main
/// thread.
class StoreFileWatcher : public QObject
{
    Q_OBJECT

public:
    /// Watches \a container's file; a store in memory has none, and nothing is told.
    explicit StoreFileWatcher(ModelContainer &container, QObject *parent = nullptr);

Q_SIGNALS:
    /// Another connection has committed changes since the last time this was told.
    void changedElsewhere();

private:
    void watchFiles();
    void fileTouched();
    void check();
    /// SQLite's count of the commits this connection has seen made by others; none on failure.
    std::optional<qint64> dataVersion() const;

    ModelContainer &m_container;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    std::optional<qint64> m_dataVersion;
    int m_checksLeft = 0;
};
