// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Error.h"
#include "Transcript.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <optional>

class ModelContext;

/// All stored transcripts, newest first, kept up to date: the list is fetched again after every
/// save into the store, through any of its contexts, and after a record is inserted into or
/// removed from the query's own context.
///
/// A change of a field of a listed record is told by the record itself. Main thread.
class TranscriptQuery : public QObject
{
    Q_OBJECT

public:
    /// A query through \a context, fetched at once.
    explicit TranscriptQuery(ModelContext &context, QObject *parent = nullptr);

    /// The records, newest first.
    QList<Transcript *> transcripts() const;
    /// Why the last fetch failed; none after one that succeeded. A failed fetch keeps the list.
    std::optional<Error> error() const { return m_error; }

Q_SIGNALS:
    /// Records were added to, removed from or moved in the list.
    void transcriptsChanged();
    void errorChanged();

private:
    void scheduleRefresh();
    void refresh();

    ModelContext &m_context;
    // Guarded: another reader of the context may have made it let a record go.
    QList<QPointer<Transcript>> m_transcripts;
    std::optional<Error> m_error;
    bool m_refreshScheduled = false;
};
