// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Error.h"

#include <QObject>
#include <memory>
#include <variant>

class ModelContext;
class SqliteConnection;
class TranscriptWriter;

/// The transcript store: one SQLite database, shared by every context made on it.
///
/// Opening checks the whole file before anything is written to it; a file that is damaged, of a
/// newer version or not a transcript store is refused and left exactly as it was. The database
/// keeps a write-ahead journal and syncs every save, so a save that returned survives a crash of
/// the process or of the machine. Main thread.
class ModelContainer : public QObject
{
    Q_OBJECT
    // So that didSave() can be queued and watched: moc needs the complete type.
    Q_MOC_INCLUDE("Platform/Store/ModelContext.h")

public:
    /// The version of the stored layout that this build reads and writes.
    static constexpr int schemaVersion = 1;

    /// Where the user's transcripts are kept: "Voxlume/Transcripts.sqlite" in the data folder.
    static QString defaultPath();

    /// Opens the store at \a path, creating it, readable by the user alone, when there is none.
    static std::variant<std::unique_ptr<ModelContainer>, Error> open(const QString &path);
    /// A store that lives in memory and is gone with the container.
    static std::unique_ptr<ModelContainer> inMemory();

    ~ModelContainer() override;

    /// The file of the store; empty for one in memory.
    QString path() const { return m_path; }
    /// The context the views use; it saves its changes by itself.
    ModelContext &mainContext() const { return *m_mainContext; }
    /// Writes the records of running transcripts without holding up the main thread.
    TranscriptWriter &transcriptWriter() const { return *m_transcriptWriter; }

    /// The errors of opening: the description names the file and the reason.
    enum ErrorCode { Unreadable = 1, Damaged, NewerVersion, NotATranscriptStore };
    static QString errorDomain();

Q_SIGNALS:
    /// \a context wrote its changes into the store; null when the transcript writer did.
    void didSave(ModelContext *context);

private:
    friend class ModelContext;
    friend class StoreFileWatcher;
    friend class TranscriptWriter;

    ModelContainer(QString path, std::unique_ptr<SqliteConnection> connection);
    SqliteConnection &connection() const { return *m_connection; }

    const QString m_path;
    const std::unique_ptr<SqliteConnection> m_connection;
    std::unique_ptr<ModelContext> m_mainContext;
    std::unique_ptr<TranscriptWriter> m_transcriptWriter;
};
