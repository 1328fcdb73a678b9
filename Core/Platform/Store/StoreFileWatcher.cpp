// SPDX-License-Identifier: GPL-3.0-or-later
#include "StoreFileWatcher.h"

#include "ModelContainer.h"
#include "SqliteConnection.h"

#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace {

// Long enough to take the writes of one commit together, short enough not to be noticed.
constexpr int settleMs = 50;
// A commit becomes visible only after the log is synced, which a slow disk may take a while to
// do after the last write was seen; so a check that finds nothing looks again a few times.
constexpr int followUpMs = 100;
constexpr int checksPerBurst = 10;

} // namespace

StoreFileWatcher::StoreFileWatcher(ModelContainer &container, QObject *parent)
    : QObject(parent)
    , m_container(container)
{
    if (container.path().isEmpty())
        return;
    m_dataVersion = dataVersion();
    m_settle.setSingleShot(true);
    connect(&m_settle, &QTimer::timeout, this, &StoreFileWatcher::check);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &StoreFileWatcher::fileTouched);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this,
            &StoreFileWatcher::fileTouched);
    watchFiles();
}

void StoreFileWatcher::watchFiles()
{
    const QString path = m_container.path();
    QStringList missing;
    for (const QString &file : {path, path + u"-wal"_s}) {
        if (QFileInfo::exists(file) && !m_watcher.files().contains(file))
            missing << file;
    }
    const QString folder = QFileInfo(path).absolutePath();
    if (!m_watcher.directories().contains(folder))
        missing << folder;
    if (!missing.isEmpty())
        m_watcher.addPaths(missing);
}

void StoreFileWatcher::fileTouched()
{
    // A log made anew is a file the watcher has not seen yet.
    watchFiles();
    m_checksLeft = checksPerBurst;
    if (!m_settle.isActive())
        m_settle.start(settleMs);
}

void StoreFileWatcher::check()
{
    const std::optional<qint64> version = dataVersion();
    // A version that cannot be read is taken for a change: whoever refreshes then meets the error.
    if (!version || version != m_dataVersion) {
        m_dataVersion = version;
        m_checksLeft = 0;
        Q_EMIT changedElsewhere();
        return;
    }
    if (--m_checksLeft > 0)
        m_settle.start(followUpMs);
}

std::optional<qint64> StoreFileWatcher::dataVersion() const
{
    std::variant<QString, Error> version =
        m_container.connection().queryText(u"PRAGMA data_version"_s);
    if (std::holds_alternative<Error>(version))
        return std::nullopt;
    return std::get<QString>(version).toLongLong();
}
