// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Base/Error.h"

#include <QObject>
#include <chrono>
#include <memory>
#include <optional>
#include <variant>

class ModelContext;
class SqliteConnection;
class TranscriptWriter;

/// The transcript store: one SQLite database, shared by every context made on it.
///
/// The whole file is checked before anything is written to it; a file that is damaged, of a newer
/// version or not a transcript store is refused and left exactly as it was. The check of a large
/// file takes seconds, so the program runs it in the background and reads the store meanwhile.
/// The database keeps a write-ahead journal and syncs every save, so a save that returned survives
/// a crash of the process or of the machine. Main thread.
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

    /// When open() reads the whole file through.
    enum class Check {
        /// Before open() returns.
        Now,
        /// On a thread of the pool once open() has returned; until it passes, the store is read
        /// but nothing is written to it. A file that is new or empty is set up at once.
        InBackground,
    };

    /// Opens the store at \a path, creating it, readable by the user alone, when there is none.
    /// What can be found without reading the whole file refuses it at once, also in the
    /// background \a check.
    static std::variant<std::unique_ptr<ModelContainer>, Error> open(const QString &path,
                                                                     Check check = Check::Now);
    /// A store that lives in memory and is gone with the container.
    static std::unique_ptr<ModelContainer> inMemory();

    ~ModelContainer() override;

    /// The file of the store; empty for one in memory.
    QString path() const { return m_path; }
    /// The context the views use; it saves its changes by itself.
    ModelContext &mainContext() const { return *m_mainContext; }
    /// Writes the records of running transcripts without holding up the main thread.
    TranscriptWriter &transcriptWriter() const { return *m_transcriptWriter; }

    /// Whether the check in the background still runs, or was given up by waitForCheck().
    bool isChecking() const { return m_check != nullptr; }
    /// Why the check in the background refused the file, which is then never written to; none
    /// while it runs and once it has passed.
    const std::optional<Error> &checkError() const { return m_checkError; }
    /// Why nothing can be written to the store now: its check runs, or refused it.
    std::optional<Error> writeRefusal() const;
    /// For the end of the program: waits up to \a timeout for the check in the background to end
    /// and settles its outcome at once, rather than on a later turn of the loop; a check still
    /// running then is given up, and the store stays unwritten.
    void waitForCheck(std::chrono::milliseconds timeout);

    /// The errors of opening: the description names the file and the reason.
    enum ErrorCode { Unreadable = 1, Damaged, NewerVersion, NotATranscriptStore, StillChecking };
    static QString errorDomain();

    /// What stopped a save, in the terms a caller words for the user: the disk is full, another
    /// program holds the store, the store was refused after its check, or anything else.
    enum class SaveFailure { DiskFull, StoreInUse, StoreRefused, Other };
    static SaveFailure saveFailureOf(const Error &error);

Q_SIGNALS:
    /// \a context wrote its changes into the store; null when the transcript writer did.
    void didSave(ModelContext *context);
    /// The check in the background found the file sound; writes go to it from now on.
    void checkPassed();
    /// The check in the background refused the file for \a error; nothing is written to it.
    void checkFailed(const Error &error);

private:
    friend class ModelContext;
    friend class StoreFileWatcher;
    friend class TranscriptWriter;

    struct BackgroundCheck;

    ModelContainer(QString path, std::unique_ptr<SqliteConnection> connection, Check check);
    SqliteConnection &connection() const { return *m_connection; }
    void settleCheck(const std::optional<Error> &outcome);

    const QString m_path;
    const std::unique_ptr<SqliteConnection> m_connection;
    // What the checking thread shares with the container; null once the check has ended.
    std::shared_ptr<BackgroundCheck> m_check;
    std::optional<Error> m_checkError;
    // Posted outcomes look here before they touch this object, which may be gone by then.
    std::shared_ptr<int> m_alive = std::make_shared<int>();
    std::unique_ptr<ModelContext> m_mainContext;
    std::unique_ptr<TranscriptWriter> m_transcriptWriter;
};
