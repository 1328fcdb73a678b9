// SPDX-License-Identifier: GPL-3.0-or-later
#include "TranscriptQuery.h"

#include "Logging.h"
#include "ModelContainer.h"
#include "ModelContext.h"

TranscriptQuery::TranscriptQuery(ModelContext &context, QObject *parent)
    : QObject(parent)
    , m_context(context)
{
    connect(&context.container(), &ModelContainer::didSave, this,
            &TranscriptQuery::scheduleRefresh);
    connect(&context, &ModelContext::didChange, this, &TranscriptQuery::scheduleRefresh);
    refresh();
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
    std::variant<QList<Transcript *>, Error> fetched = m_context.fetchTranscripts();
    if (const Error *error = std::get_if<Error>(&fetched)) {
        Logging::shared().logError(*error);
        m_error = *error;
        Q_EMIT errorChanged();
        return;
    }
    if (std::exchange(m_error, std::nullopt))
        Q_EMIT errorChanged();
    const QList<Transcript *> transcripts = std::get<QList<Transcript *>>(std::move(fetched));
    if (transcripts == this->transcripts() && transcripts.size() == m_transcripts.size())
        return;
    m_transcripts.clear();
    for (Transcript *transcript : transcripts)
        m_transcripts << transcript;
    Q_EMIT transcriptsChanged();
}

QList<Transcript *> TranscriptQuery::transcripts() const
{
    QList<Transcript *> alive;
    for (const QPointer<Transcript> &transcript : m_transcripts) {
        if (transcript)
            alive << transcript;
    }
    return alive;
}
