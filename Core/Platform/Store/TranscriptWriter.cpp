// SPDX-License-Identifier: GPL-3.0-or-later
#include "TranscriptWriter.h"

#include "Base/MainThreadRelay.h"
#include "ModelContainer.h"
#include "SqliteConnection.h"
#include "TranscriptTable.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <sqlite3.h>
#include <thread>

using namespace Qt::Literals::StringLiterals;

namespace {

// Off the main thread a lock held by the command-line tool, or by any other program, may be
// waited for as long as it takes to finish a few writes.
constexpr int busyTimeoutMs = 5000;
// How long the end of the writer waits for a last try of what is still unwritten.
constexpr std::chrono::milliseconds lastTryTimeout{busyTimeoutMs + 1000};

// How many of \a cues, from the first, equal \a stored.
qsizetype sharedPrefix(const QList<CaptionCue> &cues, const QList<CaptionCue> &stored)
{
    const auto ends = std::mismatch(cues.begin(), cues.end(), stored.begin(), stored.end());
    return ends.first - cues.begin();
}

// Writes \a fields as record \a id: over its row, or as a new row when there is none. Over a
// row, the cues that \a storedCues says the row holds already are left as they are.
std::optional<Error> upsert(SqliteConnection &connection, const QUuid &id,
                            const Transcript::Fields &fields,
                            const QList<CaptionCue> &storedCues = {})
{
    return connection.transaction([&]() -> std::optional<Error> {
        std::variant<bool, Error> updated =
            TranscriptTable::update(connection, id, fields, sharedPrefix(fields.cues, storedCues));
        if (Error *error = std::get_if<Error>(&updated))
            return *error;
        if (std::get<bool>(updated))
            return std::nullopt;
        return TranscriptTable::insert(connection, id, fields);
    });
}

std::variant<std::unique_ptr<SqliteConnection>, Error> openConnection(const QString &path)
{
    std::variant<std::unique_ptr<SqliteConnection>, Error> opened =
        SqliteConnection::open(path, SQLITE_OPEN_READWRITE);
    if (std::holds_alternative<Error>(opened))
        return opened;
    SqliteConnection &connection = *std::get<std::unique_ptr<SqliteConnection>>(opened);
    connection.setBusyTimeout(busyTimeoutMs);
    // A setting of each connection, not of the file: this one syncs every save as the main one.
    if (std::optional<Error> error = connection.execute(u"PRAGMA synchronous = FULL"_s))
        return *error;
    return opened;
}

} // namespace

struct TranscriptWriter::Shared
{
    struct Entry
    {
        Transcript::Fields fields;
        // Counts the writes, so that a try of older fields does not settle newer ones.
        quint64 version = 0;
        bool queued = false;
        quint64 tries = 0;
    };

    // Every record not yet in the store, and the order in which they are to be tried.
    std::map<QUuid, Entry> entries;
    std::deque<QUuid> queue;
    bool stopping = false;
    // While the store is checked, and for good once the check refused it: nothing is written.
    bool held = false;
    std::mutex mutex;
    // Wakes the writing thread: a record was queued, or it is to stop.
    std::condition_variable work;
    // Wakes finish(): a try ended.
    std::condition_variable tried;
    std::thread thread;

    // Queues \a id unless it waits already. Under the lock.
    void enqueue(const QUuid &id)
    {
        Entry &entry = entries.at(id);
        if (std::exchange(entry.queued, true))
            return;
        queue.push_back(id);
        work.notify_one();
    }

    // The writing thread: tries each queued record, and tells \a report how it went.
    void run(const QString &path, const std::function<void(QUuid, std::optional<Error>)> &report)
    {
        std::unique_ptr<SqliteConnection> connection;
        // The cues this thread last wrote for each record: a running transcript's cues only grow,
        // and each save writes the new ones alone. Shared with the records' fields, not copied.
        std::map<QUuid, QList<CaptionCue>> storedCues;
        std::unique_lock lock(mutex);
        for (;;) {
            work.wait(lock, [this] { return stopping || (!held && !queue.empty()); });
            if (held || queue.empty())
                return;
            const QUuid id = queue.front();
            queue.pop_front();
            const auto found = entries.find(id);
            // Queued again while its try ran, which has written it since.
            if (found == entries.end())
                continue;
            Entry &entry = found->second;
            entry.queued = false;
            const Transcript::Fields fields = entry.fields;
            const quint64 version = entry.version;
            lock.unlock();
            std::optional<Error> error;
            if (!connection) {
                // Opened here, since a connection is best used on the thread that made it.
                std::variant<std::unique_ptr<SqliteConnection>, Error> opened =
                    openConnection(path);
                if (Error *failure = std::get_if<Error>(&opened))
                    error = *failure;
                else
                    connection = std::get<std::unique_ptr<SqliteConnection>>(std::move(opened));
            }
            if (connection) {
                QList<CaptionCue> &stored = storedCues[id];
                error = upsert(*connection, id, fields, stored);
                // After a failure the transaction wrote nothing; the next try writes them all.
                stored = error ? QList<CaptionCue>() : fields.cues;
            }
            lock.lock();
            settle(id, version, error);
            report(id, error);
        }
    }

    // Records the end of a try of \a id's fields as of \a version. Under the lock.
    void settle(const QUuid &id, quint64 version, const std::optional<Error> &error)
    {
        const auto found = entries.find(id);
        ++found->second.tries;
        if (!error && found->second.version == version)
            entries.erase(found);
        tried.notify_all();
    }
};

TranscriptWriter::TranscriptWriter(ModelContainer &container)
    : m_container(container)
    , m_shared(std::make_shared<Shared>())
{
    // Made here, on the main thread, before the writing thread first posts to it.
    MainThreadRelay::instance();
    m_retryTimer.setInterval(retryInterval);
    connect(&m_retryTimer, &QTimer::timeout, this, &TranscriptWriter::retry);
    if (container.path().isEmpty())
        return;
    m_shared->held = container.isChecking();
    connect(&container, &ModelContainer::checkPassed, this, &TranscriptWriter::release);
    connect(&container, &ModelContainer::checkFailed, this, &TranscriptWriter::refuse);
    // The reports cross to the main thread by the relay, and find this object only if it is
    // still there.
    auto relay = [this, alive = std::weak_ptr(m_alive)](QUuid id, std::optional<Error> error) {
        MainThreadRelay::instance().post(alive, [this, id, error] { report(id, error); });
    };
    m_shared->thread = std::thread(
        [shared = m_shared, path = container.path(), relay] { shared->run(path, relay); });
}

TranscriptWriter::~TranscriptWriter()
{
    if (!m_shared->thread.joinable())
        return;
    finish(lastTryTimeout);
    {
        const std::lock_guard lock(m_shared->mutex);
        m_shared->stopping = true;
        m_shared->work.notify_one();
    }
    m_shared->thread.join();
}

void TranscriptWriter::write(const QUuid &id, const Transcript::Fields &fields)
{
    {
        const std::lock_guard lock(m_shared->mutex);
        Shared::Entry &entry = m_shared->entries[id];
        entry.fields = fields;
        ++entry.version;
        if (m_shared->thread.joinable())
            m_shared->enqueue(id);
    }
    if (const std::optional<Error> &refusal = m_container.checkError()) {
        Q_EMIT failed(id, *refusal);
        return;
    }
    if (m_shared->thread.joinable())
        return;
    // A store in memory: nothing else shares its connection, and writing it costs no disk.
    const std::optional<Error> error = upsert(m_container.connection(), id, fields);
    {
        const std::lock_guard lock(m_shared->mutex);
        m_shared->settle(id, m_shared->entries.at(id).version, error);
    }
    report(id, error);
}

bool TranscriptWriter::hasUnwrittenRecords() const
{
    const std::lock_guard lock(m_shared->mutex);
    return !m_shared->entries.empty();
}

QList<std::pair<QUuid, Transcript::Fields>> TranscriptWriter::unwritten() const
{
    const std::lock_guard lock(m_shared->mutex);
    QList<std::pair<QUuid, Transcript::Fields>> records;
    for (const auto &[id, entry] : m_shared->entries)
        records.append({id, entry.fields});
    return records;
}

bool TranscriptWriter::finish(std::chrono::milliseconds timeout)
{
    if (!m_shared->thread.joinable()) {
        retry();
        return !hasUnwrittenRecords();
    }
    std::unique_lock lock(m_shared->mutex);
    if (m_shared->held)
        return m_shared->entries.empty();
    std::map<QUuid, quint64> triesBefore;
    for (const auto &[id, entry] : m_shared->entries) {
        triesBefore.emplace(id, entry.tries);
        m_shared->enqueue(id);
    }
    m_shared->tried.wait_for(lock, timeout, [&] {
        return std::all_of(triesBefore.cbegin(), triesBefore.cend(), [&](const auto &before) {
            const auto found = m_shared->entries.find(before.first);
            return found == m_shared->entries.cend() || found->second.tries > before.second;
        });
    });
    return m_shared->entries.empty();
}

void TranscriptWriter::retry()
{
    for (const auto &[id, fields] : unwritten())
        write(id, fields);
}

void TranscriptWriter::release()
{
    const std::lock_guard lock(m_shared->mutex);
    m_shared->held = false;
    m_shared->work.notify_one();
}

void TranscriptWriter::refuse(const Error &error)
{
    for (const auto &[id, fields] : unwritten())
        Q_EMIT failed(id, error);
}

void TranscriptWriter::report(const QUuid &id, const std::optional<Error> &error)
{
    if (error) {
        if (!m_retryTimer.isActive())
            m_retryTimer.start();
        Q_EMIT failed(id, *error);
        return;
    }
    Q_EMIT m_container.didSave(nullptr);
    const QList<std::pair<QUuid, Transcript::Fields>> records = unwritten();
    if (records.isEmpty())
        m_retryTimer.stop();
    // Newer fields of the record may be on their way; then their try has the last word.
    if (std::none_of(records.cbegin(), records.cend(),
                     [&](const auto &record) { return record.first == id; }))
        Q_EMIT written(id);
}
