// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModelContainer.h"

#include "Logging.h"
#include "ModelContext.h"
#include "SqliteConnection.h"
#include "TranscriptTable.h"
#include "TranscriptWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
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

// Reads the whole file and finds it a transcript store this build can use; writes nothing.
// \a version is the stored layout's version: 0 for a database that is still empty.
std::optional<Error> verify(SqliteConnection &connection, const QString &path, int &version)
{
    const auto unreadable = [&](const Error &error) {
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
    };
    std::variant<int, Error> stored = storedVersion(connection);
    if (const Error *error = std::get_if<Error>(&stored))
        return unreadable(*error);
    version = std::get<int>(stored);
    if (version > ModelContainer::schemaVersion)
        return storeError(
            ModelContainer::NewerVersion,
            ModelContainer::tr("The transcript store %1 was written by a newer version of Voxlume "
                               "(layout %2; this version reads layout %3).")
                .arg(path)
                .arg(version)
                .arg(ModelContainer::schemaVersion));
    std::variant<QString, Error> check = connection.queryText(u"PRAGMA quick_check"_s);
    if (const Error *error = std::get_if<Error>(&check))
        return unreadable(*error);
    if (std::get<QString>(check) != u"ok"_s)
        return storeError(ModelContainer::Damaged,
                          ModelContainer::tr("The transcript store %1 is damaged: %2.")
                              .arg(path, std::get<QString>(check)));
    const auto notOurs = storeError(
        ModelContainer::NotATranscriptStore,
        ModelContainer::tr("The file %1 is a database, but not a transcript store.").arg(path));
    if (version == 0) {
        std::variant<QString, Error> objects =
            connection.queryText(u"SELECT count(*) FROM sqlite_schema"_s);
        if (const Error *error = std::get_if<Error>(&objects))
            return unreadable(*error);
        return std::get<QString>(objects) == u"0"_s ? std::nullopt : std::optional(notOurs);
    }
    std::variant<bool, Error> columns = TranscriptTable::hasExpectedColumns(connection);
    if (const Error *error = std::get_if<Error>(&columns))
        return unreadable(*error);
    return std::get<bool>(columns) ? std::nullopt : std::optional(notOurs);
}

std::optional<Error> createSchema(SqliteConnection &connection)
{
    return connection.transaction([&]() -> std::optional<Error> {
        if (std::optional<Error> error = TranscriptTable::create(connection))
            return error;
        return connection.execute(u"PRAGMA user_version = %1"_s.arg(ModelContainer::schemaVersion));
    });
}

} // namespace

QString ModelContainer::errorDomain()
{
    return u"Voxlume.Store"_s;
}

QString ModelContainer::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           u"/Voxlume/Transcripts.sqlite"_s;
}

std::variant<std::unique_ptr<ModelContainer>, Error> ModelContainer::open(const QString &path)
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

    int version = 0;
    if (std::optional<Error> error = verify(*connection, path, version))
        return *error;
    // Only now, with the file known to be sound, is anything written to it.
    std::optional<Error> error = connection->execute(u"PRAGMA journal_mode = WAL; "
                                                     "PRAGMA synchronous = FULL"_s);
    if (!error && version == 0)
        error = createSchema(*connection);
    if (!error)
        error = TranscriptTable::createSummaryIndex(*connection);
    if (error)
        return storeError(Unreadable,
                          ModelContainer::tr("The transcript store %1 cannot be opened: %2.")
                              .arg(path, error->localizedDescription()));
    return std::unique_ptr<ModelContainer>(new ModelContainer(path, std::move(connection)));
}

std::unique_ptr<ModelContainer> ModelContainer::inMemory()
{
    std::unique_ptr<SqliteConnection> connection = std::get<std::unique_ptr<SqliteConnection>>(
        SqliteConnection::open(u":memory:"_s, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE));
    createSchema(*connection);
    TranscriptTable::createSummaryIndex(*connection);
    return std::unique_ptr<ModelContainer>(new ModelContainer(QString(), std::move(connection)));
}

ModelContainer::ModelContainer(QString path, std::unique_ptr<SqliteConnection> connection)
    : m_path(std::move(path))
    , m_connection(std::move(connection))
{
    m_mainContext = std::make_unique<ModelContext>(*this);
    m_mainContext->setAutosaveEnabled(true);
    m_transcriptWriter = std::make_unique<TranscriptWriter>(*this);
}

ModelContainer::~ModelContainer()
{
    // The main context saves on a later turn of the loop, which a closing program may not have.
    if (m_mainContext->hasChanges()) {
        if (const std::optional<Error> error = m_mainContext->save())
            Logging::shared().logError(*error);
    }
    // What was made on the container must not outlive it; the writer has its last try first.
    m_transcriptWriter.reset();
    m_mainContext.reset();
}
