// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Base/Error.h"
#include "Transcript.h"

#include <QList>
#include <QObject>
#include <memory>
#include <optional>

class ModelContext;
class StoreFileWatcher;

/// The summaries of the stored transcripts, newest first, kept up to date: fetched again after
/// every save into the store through any of its contexts, after another connection (another
/// process) has committed to its file, and after a record is inserted into or removed from the
/// query's own context. The list can be narrowed to the records whose texts hold given words.
///
/// Only summaries are held, so that a long history costs little; a record's texts are fetched
/// through the context when they are needed. A search reads every stored text, so it runs off the
/// main thread, on a connection of its own; a result that a newer fetch has overtaken is dropped.
/// Main thread.
class TranscriptQuery : public QObject
{
    Q_OBJECT

public:
    /// A query through \a context, fetched at once.
    explicit TranscriptQuery(ModelContext &context, QObject *parent = nullptr);
    ~TranscriptQuery() override;

    /// The summaries, newest first.
    QList<Transcript::Summary> transcripts() const { return m_transcripts; }

    QStringList searchWords() const { return m_searchWords; }
    /// Keeps only the records whose spoken text or translation holds each of \a words; none keeps
    /// all. The list is fetched again on a later turn of the loop.
    void setSearchWords(const QStringList &words);

    /// Why the last fetch failed; none after one that succeeded. A failed fetch keeps the list.
    std::optional<Error> error() const { return m_error; }

Q_SIGNALS:
    /// Records were added to, removed from or moved in the list.
    void transcriptsChanged();
    /// A fetch has run: the stored texts may have changed even where the list has not.
    void refreshed();
    void errorChanged();

private:
    void scheduleRefresh();
    void refresh();
    void apply(std::variant<QList<Transcript::Summary>, Error> fetched);

    ModelContext &m_context;
    std::unique_ptr<StoreFileWatcher> m_fileWatcher;
    QList<Transcript::Summary> m_transcripts;
    QStringList m_searchWords;
    std::optional<Error> m_error;
    bool m_refreshScheduled = false;
    // Counts the fetches, so that only the newest one's result is taken.
    quint64 m_fetch = 0;
    // Searches under way look here before they touch this object, which may be gone by then.
    std::shared_ptr<int> m_alive = std::make_shared<int>();
};
