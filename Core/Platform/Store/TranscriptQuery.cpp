// SPDX-License-Identifier: GPL-3.0-or-later
#include "TranscriptQuery.h"

#include "Base/Logging.h"
#include "Base/MainThreadRelay.h"
#include "ModelContainer.h"
#include "ModelContext.h"
#include "SqliteConnection.h"
#include "StoreFileWatcher.h"
#include "TranscriptTable.h"

#include <sqlite3.h>

namespace {

// Any thread: the summaries of the records of the store at \a path that hold each of \a words.
std::variant<QList<Transcript::Summary>, Error> searchStore(const QString &path,
                                                            const QStringList &words)
{
    std::variant<std::unique_ptr<SqliteConnection>, Error> opened =
        SqliteConnection::open(path, SQLITE_OPEN_READONLY);
    if (const Error *error = std::get_if<Error>(&opened))
        return *error;
    return TranscriptTable::selectSummaries(*std::get<std::unique_ptr<SqliteConnection>>(opened),
                                            words);
}

} // namespace

TranscriptQuery::TranscriptQuery(ModelContext &context, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_fileWatcher(std::make_unique<StoreFileWatcher>(context.container()))
{
    connect(&context.container(), &ModelContainer::didSave, this,
            &TranscriptQuery::scheduleRefresh);
    connect(&context, &ModelContext::didChange, this, &TranscriptQuery::scheduleRefresh);
    connect(m_fileWatcher.get(), &StoreFileWatcher::changedElsewhere, this,
            &TranscriptQuery::scheduleRefresh);
    refresh();
}

TranscriptQuery::~TranscriptQuery() = default;

void TranscriptQuery::setSearchWords(const QStringList &words)
{
    if (words == m_searchWords)
        return;
    m_searchWords = words;
    scheduleRefresh();
}

void TranscriptQuery::scheduleRefresh()
{
    // Once for a burst of saves and changes in one turn of the loop.
    if (std::exchange(m_refreshScheduled, true))
        return;
    QMetaObject::invokeMethod(this, &TranscriptQuery::refresh, Qt::QueuedConnection);
}

void TranscriptQuery::refresh()
{
    m_refreshScheduled = false;
    const quint64 fetch = ++m_fetch;
    const QString path = m_context.container().path();
    // The whole list is read from an index, at once; a store in memory has no other connection.
    if (m_searchWords.isEmpty() || path.isEmpty()) {
        apply(m_context.fetchSummaries(m_searchWords));
        return;
    }
    MainThreadRelay::instance().runInBackground(
        [path, words = m_searchWords] { return searchStore(path, words); },
        [this, alive = std::weak_ptr(m_alive), fetch,
         words = m_searchWords](std::variant<QList<Transcript::Summary>, Error> found) {
            if (alive.expired() || fetch != m_fetch)
                return;
            if (const Error *error = std::get_if<Error>(&found))
                apply(*error);
            else
                apply(m_context.withUnsavedChanges(std::get<QList<Transcript::Summary>>(found),
                                                   words));
        });
}

void TranscriptQuery::apply(std::variant<QList<Transcript::Summary>, Error> fetched)
{
    if (const Error *error = std::get_if<Error>(&fetched)) {
        Logging::shared().logError(*error);
        m_error = *error;
        Q_EMIT errorChanged();
        return;
    }
    if (std::exchange(m_error, std::nullopt))
        Q_EMIT errorChanged();
    QList<Transcript::Summary> transcripts =
        std::get<QList<Transcript::Summary>>(std::move(fetched));
    if (transcripts != m_transcripts) {
        m_transcripts = std::move(transcripts);
        Q_EMIT transcriptsChanged();
    }
    Q_EMIT refreshed();
}
