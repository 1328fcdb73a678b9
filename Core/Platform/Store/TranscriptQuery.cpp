// SPDX-License-Identifier: GPL-3.0-or-later
#include "TranscriptQuery.h"

#include "Logging.h"
#include "ModelContainer.h"
#include "ModelContext.h"
#include "StoreFileWatcher.h"

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
    std::variant<QList<Transcript::Summary>, Error> fetched =
        m_context.fetchSummaries(m_searchWords);
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
