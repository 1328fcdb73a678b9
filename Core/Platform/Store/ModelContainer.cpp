// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModelContainer.h"

#include "Base/Logging.h"
#include "Base/MainThreadRelay.h"
#include "CueTable.h"
#include "ModelContext.h"
#include "SqliteConnection.h"
#include "TranscriptTable.h"
#include "TranscriptWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sqlite3.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// Another process (the command-line tool beside the program) may hold the write lock briefly.
constexpr int busyTimeoutMs = 5000;

Error storeError(ModelContainer::ErrorCode code, const QString &description)
{
    return Error::fromMessage(description, ModelContainer::errorDomain(), code);
}

// Creates the store's folder and an empty file, both for the user alone, where there is none.
std::optional<Error> createFile(const QString &path)
{
    const QFileInfo file(path);
    const QString folder = file.absolutePath();
    if (!QFileInfo::exists(folder)) {
        if (!QDir().mkpath(folder))
            return storeError(ModelContainer::Unreadable,
                              ModelContainer::tr("The folder %1 cannot be created.").arg(folder));
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    if (file.exists())
        return std::nullopt;
    const int descriptor =
        ::open(QFile::encodeName(path).constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    if (descriptor < 0 && errno != EEXIST)
        return storeError(ModelContainer::Unreadable,
                          ModelContainer::tr("The file %1 cannot be created: %2.")
                              .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    if (descriptor >= 0)
        ::close(descriptor);
    return std::nullopt;
}

std::variant<int, Error> storedVersion(SqliteConnection &connection)
{
    std::variant<QString, Error> version = connection.queryText(u"PRAGMA user_version"_s);
    if (Error *error = std::get_if<Error>(&version))
        return *error;
    return std::get<QString>(version).toInt();
}

// An error of the store for \a error of SQLite, which reading \a path failed with.
Error unreadable(const Error &error, const QString &path)
{
    // Most damage makes SQLite fail the query rather than report it in quick_check.
    const int primaryCode = int(error.code() & 0xff);
    if (error.domain() == SqliteConnection::errorDomain() &&
        (primaryCode == SQLITE_CORRUPT || primaryCode == SQLITE_NOTADB))
        return storeError(ModelContainer::Damaged,
                          ModelContainer::tr("The transcript store %1 is damaged: %2.")
                              .arg(path, error.localizedDescription()));
    return storeError(ModelContainer::Unreadable,
                      ModelContainer::tr("The transcript store %1 cannot be read: %2.")
                          .arg(path, error.localizedDescription()));
}

// Finds the file a transcript store this build can use from its header and schema alone, which
// takes no time whatever its size; writes nothing. \a version is the stored layout's version: 0
// for a database that is still empty.
std::optional<Error> verifyLayout(SqliteConnection &connection, const QString &path, int &version)
{
    std::variant<int, Error> stored = storedVersion(connection);
    if (const Error *error = std::get_if<Error>(&stored))
        return unreadable(*error, path);
    version = std::get<int>(stored);
    if (version > ModelContainer::schemaVersion)
        return storeError(
            ModelContainer::NewerVersion,
            ModelContainer::tr("The transcript store %1 was written by a newer version of Voxlume "
                               "(layout %2; this version reads layout %3).")
                .arg(path)
                .arg(version)
                .arg(ModelContainer::schemaVersion));
    const auto notOurs = storeError(
        ModelContainer::NotATranscriptStore,
        ModelContainer::tr("The file %1 is a database, but not a transcript store.").arg(path));
    if (version == 0) {
        std::variant<QString, Error> objects =
            connection.queryText(u"SELECT count(*) FROM sqlite_schema"_s);
        if (const Error *error = std::get_if<Error>(&objects))
            return unreadable(*error, path);
        return std::get<QString>(objects) == u"0"_s ? std::nullopt : std::optional(notOurs);
    }
    std::variant<bool, Error> columns = TranscriptTable::hasExpectedColumns(connection);
    if (const Error *error = std::get_if<Error>(&columns))
        return unreadable(*error, path);
    return std::get<bool>(columns) ? std::nullopt : std::optional(notOurs);
}

// Reads every page of the file, which takes seconds for a large one; writes nothing.
std::optional<Error> verifyPages(SqliteConnection &connection, const QString &path)
{
    std::variant<QString, Error> check = connection.queryText(u"PRAGMA quick_check"_s);
    if (const Error *error = std::get_if<Error>(&check))
        return unreadable(*error, path);
    QString finding = std::get<QString>(check);
    if (finding == u"ok"_s)
        return std::nullopt;
    // The first of SQLite's findings says enough, without the name of the schema it was in.
    finding.remove(u"*** in database main ***"_s);
    return storeError(ModelContainer::Damaged,
                      ModelContainer::tr("The transcript store %1 is damaged: %2.")
                          .arg(path, finding.trimmed().section(u'\n', 0, 0)));
}

std::optional<Error> createSchema(SqliteConnection &connection)
{
    return connection.transaction([&]() -> std::optional<Error> {
        if (std::optional<Error> error = TranscriptTable::create(connection))
            return error;
        return connection.execute(u"PRAGMA user_version = %1"_s.arg(ModelContainer::schemaVersion));
    });
}

// Checks the whole file that \a connection reads, then sets it up for this build: the first
// writes to it. \a version is what verifyLayout() found.
std::optional<Error> verifyAndPrepare(SqliteConnection &connection, const QString &path,
                                      int version)
{
    if (std::optional<Error> error = verifyPages(connection, path))
        return error;
    std::optional<Error> error = connection.execute(u"PRAGMA journal_mode = WAL"_s);
    if (!error && version == 0)
        error = createSchema(connection);
    if (!error)
        error = TranscriptTable::createSummaryIndex(connection);
    if (!error)
        error = CueTable::create(connection);
    if (error)
        return storeError(ModelContainer::Unreadable,
                          ModelContainer::tr("The transcript store %1 cannot be opened: %2.")
                              .arg(path, error->localizedDescription()));
    return std::nullopt;
}

} // namespace

/// The check of a store in the background, shared by the container and the thread that runs it.
struct ModelContainer::BackgroundCheck
{
    std::mutex mutex;
    // Wakes waitForCheck(): the outcome is in.
    std::condition_variable ended;
    // The checking thread's connection while it is open, so that a check given up stops at once.
    SqliteConnection *connection = nullptr;
    bool givenUp = false;
    std::optional<std::optional<Error>> outcome;

    // A thread of the pool: checks and sets up the store at \a path, through a connection of
    // its own, on which the layout is read again, since another program may have changed it.
    std::optional<Error> run(const QString &path)
    {
        const std::optional<Error> result = checkAndPrepare(path);
        const std::lock_guard lock(mutex);
        outcome = result;
        ended.notify_all();
        return result;
    }

    std::optional<Error> checkAndPrepare(const QString &path)
    {
        std::variant<std::unique_ptr<SqliteConnection>, Error> opened =
            SqliteConnection::open(path, SQLITE_OPEN_READWRITE);
        if (const Error *error = std::get_if<Error>(&opened))
            return unreadable(*error, path);
        SqliteConnection &own = *std::get<std::unique_ptr<SqliteConnection>>(opened);
        // The main connection may be reading; the switch to the journal waits for it.
        own.setBusyTimeout(busyTimeoutMs);
        {
            const std::lock_guard lock(mutex);
            if (givenUp)
                return storeError(StillChecking, tr("The check was given up."));
            connection = &own;
        }
        int version = 0;
        std::optional<Error> error = verifyLayout(own, path, version);
        if (!error)
            error = verifyAndPrepare(own, path, version);
        const std::lock_guard lock(mutex);
        connection = nullptr;
        return error;
    }

    // Any thread.
    void giveUp()
    {
        const std::lock_guard lock(mutex);
        givenUp = true;
        if (connection)
            connection->interrupt();
    }
};

QString ModelContainer::errorDomain()
{
    return u"Voxlume.Store"_s;
}

ModelContainer::SaveFailure ModelContainer::saveFailureOf(const Error &error)
{
    if (error.domain() == ModelContainer::errorDomain())
        return SaveFailure::StoreRefused;
    if (error.domain() != SqliteConnection::errorDomain())
        return SaveFailure::Other;
    // Extended result codes keep the primary code in their low byte.
    switch (int(error.code() & 0xff)) {
    case SQLITE_FULL:
        return SaveFailure::DiskFull;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return SaveFailure::StoreInUse;
    default:
        return SaveFailure::Other;
    }
}

QString ModelContainer::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           u"/Voxlume/Transcripts.sqlite"_s;
}

std::variant<std::unique_ptr<ModelContainer>, Error> ModelContainer::open(const QString &path,
                                                                          Check check)
{
    if (std::optional<Error> error = createFile(path))
        return *error;
    std::variant<std::unique_ptr<SqliteConnection>, Error> opened =
        SqliteConnection::open(path, SQLITE_OPEN_READWRITE);
    if (const Error *error = std::get_if<Error>(&opened))
        return storeError(Unreadable,
                          ModelContainer::tr("The transcript store %1 cannot be opened: %2.")
                              .arg(path, error->localizedDescription()));
    std::unique_ptr<SqliteConnection> connection =
        std::get<std::unique_ptr<SqliteConnection>>(std::move(opened));
    connection->setBusyTimeout(busyTimeoutMs);
    // A setting of the connection, not of the file, so that nothing is written by it.
    connection->execute(u"PRAGMA synchronous = FULL"_s);

    int version = 0;
    if (std::optional<Error> error = verifyLayout(*connection, path, version))
        return *error;
    // An empty file has nothing to check, and no table to read before it is set up.
    if (check == Check::InBackground && version > 0)
        return std::unique_ptr<ModelContainer>(
            new ModelContainer(path, std::move(connection), Check::InBackground));
    if (std::optional<Error> error = verifyAndPrepare(*connection, path, version))
        return *error;
    return std::unique_ptr<ModelContainer>(
        new ModelContainer(path, std::move(connection), Check::Now));
}

std::unique_ptr<ModelContainer> ModelContainer::inMemory()
{
    std::unique_ptr<SqliteConnection> connection = std::get<std::unique_ptr<SqliteConnection>>(
        SqliteConnection::open(u":memory:"_s, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE));
    createSchema(*connection);
    TranscriptTable::createSummaryIndex(*connection);
    CueTable::create(*connection);
    return std::unique_ptr<ModelContainer>(
        new ModelContainer(QString(), std::move(connection), Check::Now));
}

ModelContainer::ModelContainer(QString path, std::unique_ptr<SqliteConnection> connection,
                               Check check)
    : m_path(std::move(path))
    , m_connection(std::move(connection))
{
    if (check == Check::InBackground) {
        m_check = std::make_shared<BackgroundCheck>();
        MainThreadRelay::instance().runInBackground(
            [check = m_check, path = m_path] { return check->run(path); },
            [this, alive = std::weak_ptr(m_alive)](const std::optional<Error> &outcome) {
                if (!alive.expired())
                    settleCheck(outcome);
            });
    }
    // Made after the check has begun, so that they see it.
    m_mainContext = std::make_unique<ModelContext>(*this);
    m_mainContext->setAutosaveEnabled(true);
    m_transcriptWriter = std::make_unique<TranscriptWriter>(*this);
}

ModelContainer::~ModelContainer()
{
    // The store must be let go of at once, not after seconds of reading.
    if (m_check)
        m_check->giveUp();
    // The main context saves on a later turn of the loop, which a closing program may not have.
    if (m_mainContext->hasChanges()) {
        if (const std::optional<Error> error = m_mainContext->save())
            Logging::shared().logError(*error);
    }
    // What was made on the container must not outlive it; the writer has its last try first.
    m_transcriptWriter.reset();
    m_mainContext.reset();
}

std::optional<Error> ModelContainer::writeRefusal() const
{
    if (m_checkError)
        return m_checkError;
    if (m_check)
        return storeError(StillChecking,
                          tr("The transcript store %1 is still being checked.").arg(m_path));
    return std::nullopt;
}

void ModelContainer::waitForCheck(std::chrono::milliseconds timeout)
{
    if (!m_check)
        return;
    std::unique_lock lock(m_check->mutex);
    if (!m_check->ended.wait_for(lock, timeout, [this] { return m_check->outcome.has_value(); })) {
        lock.unlock();
        m_check->giveUp();
        return;
    }
    const std::optional<Error> outcome = *m_check->outcome;
    lock.unlock();
    settleCheck(outcome);
}

void ModelContainer::settleCheck(const std::optional<Error> &outcome)
{
    // Settled already by waitForCheck(), or given up: its outcome says nothing of the file then.
    if (!m_check || m_check->givenUp)
        return;
    m_check.reset();
    if (outcome) {
        Logging::shared().logError(*outcome);
        m_checkError = outcome;
        Q_EMIT checkFailed(*outcome);
        return;
    }
    Q_EMIT checkPassed();
}
