// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModelContext.h"

#include "Base/Logging.h"
#include "ModelContainer.h"
#include "SqliteConnection.h"
#include "TranscriptTable.h"

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

ModelContext::ModelContext(ModelContainer &container, QObject *parent)
    : QObject(parent)
    , m_container(container)
{
    // Changes made while the store was being checked are saved once it may be written.
    connect(&container, &ModelContainer::checkPassed, this, &ModelContext::scheduleAutosave);
}

ModelContext::~ModelContext() = default;

void ModelContext::insert(Transcript *transcript)
{
    Q_ASSERT_X(!transcript->m_context, "ModelContext::insert", "the record has a context");
    transcript->m_context = this;
    transcript->setParent(this);
    m_records.insert(transcript->id(), transcript);
    m_inserted << transcript;
    Q_EMIT didChange();
    scheduleAutosave();
}

void ModelContext::remove(Transcript *transcript)
{
    Q_ASSERT_X(transcript->m_context == this, "ModelContext::remove", "the record is not ours");
    m_removed.insert(transcript);
    Q_EMIT didChange();
    scheduleAutosave();
}

void ModelContext::recordChange(Transcript *transcript)
{
    if (!m_inserted.contains(transcript))
        m_changed.insert(transcript);
    scheduleAutosave();
}

bool ModelContext::hasChanges() const
{
    return !m_inserted.isEmpty() || !m_changed.isEmpty() || !m_removed.isEmpty();
}

std::optional<Error> ModelContext::save()
{
    if (!hasChanges())
        return std::nullopt;
    if (std::optional<Error> refusal = m_container.writeRefusal())
        return refusal;
    if (std::optional<Error> error =
            m_container.connection().transaction([this] { return writeChanges(); }))
        return error;
    const QSet<Transcript *> removed = std::exchange(m_removed, {});
    for (Transcript *transcript : removed)
        forget(transcript);
    m_inserted.clear();
    m_changed.clear();
    Q_EMIT m_container.didSave(this);
    return std::nullopt;
}

std::optional<Error> ModelContext::writeChanges()
{
    SqliteConnection &connection = m_container.connection();
    for (Transcript *transcript : std::as_const(m_inserted)) {
        if (m_removed.contains(transcript))
            continue;
        if (std::optional<Error> error =
                TranscriptTable::insert(connection, transcript->id(), transcript->fields()))
            return error;
    }
    for (Transcript *transcript : std::as_const(m_changed)) {
        if (m_removed.contains(transcript))
            continue;
        // A record another process removed stays removed.
        std::variant<bool, Error> updated =
            TranscriptTable::update(connection, transcript->id(), transcript->fields());
        if (Error *error = std::get_if<Error>(&updated))
            return *error;
    }
    for (Transcript *transcript : std::as_const(m_removed)) {
        if (m_inserted.contains(transcript))
            continue;
        if (std::optional<Error> error = TranscriptTable::remove(connection, transcript->id()))
            return error;
    }
    return std::nullopt;
}

void ModelContext::forget(Transcript *transcript)
{
    m_records.remove(transcript->id());
    m_inserted.removeOne(transcript);
    m_changed.remove(transcript);
    m_removed.remove(transcript);
    transcript->m_context = nullptr;
    // Later: whoever holds the record may still be reading it in this turn of the loop.
    transcript->deleteLater();
}

void ModelContext::setAutosaveEnabled(bool enabled)
{
    m_autosaveEnabled = enabled;
    scheduleAutosave();
}

void ModelContext::scheduleAutosave()
{
    if (!m_autosaveEnabled || m_autosaveScheduled || !hasChanges())
        return;
    m_autosaveScheduled = true;
    QMetaObject::invokeMethod(this, &ModelContext::autosave, Qt::QueuedConnection);
}

void ModelContext::autosave()
{
    m_autosaveScheduled = false;
    // A store still being checked is saved to when the check passes.
    if (!m_autosaveEnabled || m_container.isChecking())
        return;
    if (std::optional<Error> error = save())
        Logging::shared().logError(*error);
}

Transcript *ModelContext::registered(const QUuid &id, const Transcript::Fields &stored)
{
    if (Transcript *known = m_records.value(id)) {
        // Unsaved changes of this context win over what the store holds.
        if (!m_changed.contains(known))
            known->assignStored(stored);
        return known;
    }
    auto *transcript = new Transcript(id, stored);
    transcript->m_context = this;
    transcript->setParent(this);
    m_records.insert(id, transcript);
    return transcript;
}

std::variant<QList<Transcript *>, Error> ModelContext::fetchTranscripts()
{
    std::variant<QList<TranscriptTable::Row>, Error> rows =
        TranscriptTable::selectAll(m_container.connection());
    if (Error *error = std::get_if<Error>(&rows))
        return *error;
    // Unsaved records first, the newest first, so that among equal times they count as newest.
    QList<Transcript *> transcripts;
    for (auto pending = m_inserted.crbegin(); pending != m_inserted.crend(); ++pending) {
        if (!m_removed.contains(*pending))
            transcripts << *pending;
    }
    QSet<Transcript *> stored;
    for (const TranscriptTable::Row &row : std::get<QList<TranscriptTable::Row>>(rows)) {
        Transcript *transcript = registered(row.id, row.fields);
        stored.insert(transcript);
        if (!m_removed.contains(transcript))
            transcripts << transcript;
    }
    // Records another context has removed from the store are gone here too.
    const QList<Transcript *> known = m_records.values();
    for (Transcript *transcript : known) {
        if (!stored.contains(transcript) && !m_inserted.contains(transcript))
            forget(transcript);
    }
    std::stable_sort(
        transcripts.begin(), transcripts.end(),
        [](const Transcript *a, const Transcript *b) { return a->timestamp() > b->timestamp(); });
    return transcripts;
}

std::variant<QList<Transcript::Summary>, Error>
ModelContext::fetchSummaries(const QStringList &words)
{
    std::variant<QList<Transcript::Summary>, Error> rows =
        TranscriptTable::selectSummaries(m_container.connection(), words);
    if (Error *error = std::get_if<Error>(&rows))
        return *error;
    return withUnsavedChanges(std::get<QList<Transcript::Summary>>(rows), words);
}

QList<Transcript::Summary>
ModelContext::withUnsavedChanges(const QList<Transcript::Summary> &stored,
                                 const QStringList &words) const
{
    QList<Transcript::Summary> summaries;
    for (auto pending = m_inserted.crbegin(); pending != m_inserted.crend(); ++pending) {
        if (!m_removed.contains(*pending) && (*pending)->containsEvery(words))
            summaries << (*pending)->summary();
    }
    for (const Transcript::Summary &row : stored) {
        Transcript *known = m_records.value(row.id);
        if (known && m_removed.contains(known))
            continue;
        // Unsaved changes of this context win over what the store holds.
        summaries << (known && m_changed.contains(known) ? known->summary() : row);
    }
    std::stable_sort(summaries.begin(), summaries.end(),
                     [](const Transcript::Summary &a, const Transcript::Summary &b) {
                         return a.timestamp > b.timestamp;
                     });
    return summaries;
}

std::variant<Transcript *, Error> ModelContext::fetchTranscript(const QUuid &id)
{
    if (Transcript *known = m_records.value(id); known && m_inserted.contains(known))
        return m_removed.contains(known) ? nullptr : known;
    std::variant<std::optional<TranscriptTable::Row>, Error> row =
        TranscriptTable::select(m_container.connection(), id);
    if (Error *error = std::get_if<Error>(&row))
        return *error;
    const std::optional<TranscriptTable::Row> &found =
        std::get<std::optional<TranscriptTable::Row>>(row);
    if (!found)
        return nullptr;
    Transcript *transcript = registered(found->id, found->fields);
    return m_removed.contains(transcript) ? nullptr : transcript;
}
