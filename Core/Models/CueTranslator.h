// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Base/Language.h"
#include "Platform/Store/CaptionCue.h"
#include "Platform/Translation/TranslationService.h"

#include <QObject>
#include <QUuid>
#include <deque>
#include <functional>
#include <memory>
#include <qcoro/qcorotask.h>

/// Translates a run's finished cues, one after another in the order they come, so that each cue
/// is handed on once, translated, and in time order.
///
/// A cue whose translation fails is handed on without one: its times and text matter more than a
/// missing line. Main thread; translations suspend on the main event loop.
class CueTranslator : public QObject
{
    Q_OBJECT

public:
    /// A translator through \a service, whose pairs the run has made ready already.
    explicit CueTranslator(std::shared_ptr<TranslationService> service, QObject *parent = nullptr);
    /// Cancels the translation under way; the cues still waiting are not handed on.
    ~CueTranslator() override;

    /// What to translate: the cue at \a index of record \a transcript, between two languages.
    struct Job
    {
        QUuid transcript;
        qsizetype index = 0;
        CaptionCue cue;
        Language source;
        Language target;
    };
    /// Queues \a job behind those that wait.
    void translate(Job job);
    /// Whether a translation runs or waits.
    bool isTranslating() const { return m_running; }

    /// Where translations go once their run has ended.
    using Delivery = std::function<void(const QUuid &, qsizetype, const CaptionCue &)>;
    /// Lets the translations that wait finish without the run that asked for them: each goes to
    /// \a deliver instead, and the translator deletes itself once none waits.
    void finishDetached(Delivery deliver);

Q_SIGNALS:
    /// \a cue, at \a index of record \a transcript, has its translation, or none if it failed.
    void translated(const QUuid &transcript, qsizetype index, const CaptionCue &cue);
    /// The last translation that waited has been handed on.
    void idle();

private:
    QCoro::Task<> run();
    /// A session for \a job's pair: the last one while the pair stays the same.
    std::shared_ptr<TranslationSession> sessionFor(const Job &job);

    std::shared_ptr<TranslationService> m_service;
    std::deque<Job> m_queue;
    bool m_running = false;
    std::shared_ptr<TranslationSession> m_session;
};
