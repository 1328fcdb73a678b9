// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Base/Error.h"
#include "Transcript.h"

#include <QObject>
#include <QTimer>
#include <chrono>
#include <memory>

class ModelContainer;

/// Writes the records of running transcripts into the store on a thread of its own, so that
/// neither a long text nor a store that another program holds locked keeps the main thread
/// waiting.
///
/// Each record's latest fields win: a write that has not begun when a newer one for the same
/// record comes is replaced by it. A write that fails is kept and tried again with the record's
/// next write, every retryInterval, and by finish(); until it succeeds, unwritten() hands its
/// fields to whoever must keep them elsewhere. Nothing is written while the store is being
/// checked; once its check refuses it, every write fails at once with the reason. A store in
/// memory, which no second connection can reach, is written at once on the calling thread. Main
/// thread.
class TranscriptWriter : public QObject
{
    Q_OBJECT

public:
    /// How long a failed write waits before it is tried again without a newer one.
    static constexpr std::chrono::seconds retryInterval{10};

    /// A writer into \a container, which must outlive it.
    explicit TranscriptWriter(ModelContainer &container);
    /// Tries what is still unwritten once more, for a bounded time, and stops the thread.
    ~TranscriptWriter() override;

    /// Writes \a fields as the whole record \a id, inserting the record when the store has none.
    void write(const QUuid &id, const Transcript::Fields &fields);
    /// Whether some write is waiting, running, or has failed and waits to be tried again.
    bool hasUnwrittenRecords() const;
    /// Tries every unwritten record once more and waits up to \a timeout for the tries to end;
    /// whether every record is in the store now.
    bool finish(std::chrono::milliseconds timeout);
    /// The records that are not in the store yet, with their latest fields.
    QList<std::pair<QUuid, Transcript::Fields>> unwritten() const;

Q_SIGNALS:
    /// The latest fields of record \a id are in the store.
    void written(const QUuid &id);
    /// Writing record \a id failed with \a error; its fields are kept for another try.
    void failed(const QUuid &id, const Error &error);

private:
    struct Shared;

    void retry();
    void release();
    void refuse(const Error &error);
    void report(const QUuid &id, const std::optional<Error> &error);

    ModelContainer &m_container;
    // What the writing thread and this object share; the thread holds it as long as it runs.
    std::shared_ptr<Shared> m_shared;
    // Posted reports look here before they touch this object, which may be gone by then.
    std::shared_ptr<int> m_alive = std::make_shared<int>();
    QTimer m_retryTimer;
};
