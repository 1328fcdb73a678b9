// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Base/Error.h"
#include "Transcript.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QUuid>
#include <optional>
#include <variant>

class ModelContainer;

/// A unit of work on the transcript store: records are inserted, changed and removed here, and
/// written together, in one transaction, by save().
///
/// The context owns its records and holds one record per stored transcript, so that every reader
/// of the context sees the same object. Changes stay in the context until they are saved, also
/// after a save that failed. Main thread.
class ModelContext : public QObject, public Transcript::Holder
{
    Q_OBJECT

public:
    explicit ModelContext(ModelContainer &container, QObject *parent = nullptr);
    ~ModelContext() override;

    ModelContainer &container() const { return m_container; }

    /// Makes \a transcript, a new record, part of this context, which takes it; written at the
    /// next save.
    void insert(Transcript *transcript);
    /// Removes \a transcript from the store at the next save; the record goes after that save.
    void remove(Transcript *transcript);

    /// Whether there is anything to save.
    bool hasChanges() const;
    /// Writes every change at once; on failure nothing is written, the changes stay for a later
    /// save, and the error carries SQLite's message, or says why the store takes no writes yet.
    std::optional<Error> save();

    /// Whether the context saves by itself, on a later turn of the main loop after a change.
    bool isAutosaveEnabled() const { return m_autosaveEnabled; }
    void setAutosaveEnabled(bool enabled);

    /// Every transcript of the store, with this context's own unsaved changes, newest first.
    std::variant<QList<Transcript *>, Error> fetchTranscripts();
    /// The summaries of the transcripts whose texts hold each of \a words (all, without words),
    /// with this context's own unsaved changes, newest first; no text is read for them.
    std::variant<QList<Transcript::Summary>, Error> fetchSummaries(const QStringList &words = {});
    /// \a stored, the summaries that the store holds of the records with each of \a words, with
    /// this context's own unsaved changes, newest first: fetchSummaries() for rows read elsewhere.
    QList<Transcript::Summary> withUnsavedChanges(const QList<Transcript::Summary> &stored,
                                                  const QStringList &words) const;
    /// The transcript with \a id, or null when the store holds none.
    std::variant<Transcript *, Error> fetchTranscript(const QUuid &id);

Q_SIGNALS:
    /// A record was inserted or removed, not yet saved.
    void didChange();

private:
    void recordChange(Transcript *transcript) override;
    void scheduleAutosave();
    void autosave();
    std::optional<Error> writeChanges();
    Transcript *registered(const QUuid &id, const Transcript::Fields &stored);
    void forget(Transcript *transcript);

    ModelContainer &m_container;
    QHash<QUuid, Transcript *> m_records;
    QList<Transcript *> m_inserted;
    QSet<Transcript *> m_changed;
    QSet<Transcript *> m_removed;
    bool m_autosaveEnabled = false;
    bool m_autosaveScheduled = false;
};
