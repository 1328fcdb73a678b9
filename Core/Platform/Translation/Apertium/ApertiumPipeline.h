// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ApertiumRequest.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QQueue>
#include <QTimer>
#include <chrono>
#include <memory>

class QProcess;

/// One translation direction kept running: the stages of its mode file as processes chained
/// stdout to stdin, in null-flush mode, translating one request at a time.
///
/// Starting the stages costs most of a second and each request a few milliseconds, so the pipeline
/// starts once and serves every session of its direction. Requests wait in a queue; each has a
/// timeout that grows with its length. A pipeline that stalls is restarted and its request fails.
/// One whose stage dies is restarted and its request is sent once more; a second death fails it.
/// A pipeline nobody has used for the idle time stops its processes, and starts them again on the
/// next request. Processes never outlive the pipeline, nor the program (they are killed when it
/// ends, however it ends). Main thread.
class ApertiumPipeline : public QObject
{
    Q_OBJECT

public:
    /// The codes of the pipeline's errors, in errorDomain().
    enum ErrorCode { CannotStart = 1, Stalled, Died, Stopped };

    /// How long a request may take, and how long the processes stay up unused.
    struct Timing
    {
        /// A request's time, plus a millisecond per character of its text.
        std::chrono::milliseconds requestTimeout{10'000};
        std::chrono::milliseconds idleTimeout{180'000};
    };

    /// The pipeline of the mode file at \a modePath; starts nothing yet.
    ApertiumPipeline(QString modePath, Timing timing, QObject *parent = nullptr);
    /// Fails the requests still waiting with a Stopped error, kills the processes and reaps them,
    /// which takes a few milliseconds.
    ~ApertiumPipeline() override;

    /// Starts the processes unless they run, so that the first request finds them ready.
    void start();

    /// Queues \a request; it is finished when its translation or a failure comes back. A request
    /// finished meanwhile by someone else (a cancellation) is skipped, or its answer dropped.
    void submit(std::shared_ptr<ApertiumRequest> request);

    /// Fails the requests under way and queued with a Stopped error and stops the processes; the
    /// next request starts them again.
    void stop();

    QString modePath() const { return m_modePath; }
    /// Whether the processes run.
    bool isRunning() const { return !m_stages.isEmpty(); }
    /// How often the processes have been started.
    int startCount() const { return m_startCount; }
    /// The process ids of the running stages, first to last.
    QList<qint64> processIds() const;

    static QString errorDomain();

private:
    void launch();
    /// Starts stage \a index of generation \a generation, and the next one on a later turn.
    void startStage(quint64 generation, qsizetype index);
    void shutDown();
    void sendNext();
    void send();
    void readOutput();
    void takeRecord(const QByteArray &record);
    void stageEnded(quint64 generation);
    void requestTimedOut();
    void failCurrent(ErrorCode code, const QString &message);
    void becomeIdleIfUnused();

    const QString m_modePath;
    const Timing m_timing;
    QList<QProcess *> m_stages;
    // Each start is a generation, so that signals of processes already let go are ignored.
    quint64 m_generation = 0;
    int m_startCount = 0;
    bool m_generationHasAnswered = false;

    QQueue<std::shared_ptr<ApertiumRequest>> m_queue;
    std::shared_ptr<ApertiumRequest> m_current;
    bool m_currentWasResent = false;
    quint64 m_nonce = 0;
    QByteArray m_output;
    QByteArray m_reply;
    QTimer m_requestTimer;
    QTimer m_idleTimer;
};
