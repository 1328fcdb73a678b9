// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Platform/Speech/SpeechService.h"

#include <QList>
#include <QPromise>
#include <QStringList>
#include <memory>

class ScriptedRecognitionTask;

/// Speech recognition whose results are written by hand: tests and scripted runs tell each task
/// what to report, and the model under test cannot tell it from a real recogniser.
///
/// Every locale is supported unless restricted; every task it creates stays reachable by the
/// order of its creation. Main thread.
class ScriptedSpeechService : public SpeechService
{
public:
    ScriptedSpeechService() = default;

    /// Only locales whose language code is in \a codes get a recogniser; empty means all.
    void setSupportedLanguageCodes(const QStringList &codes) { m_supportedCodes = codes; }
    /// What recognisers answer to isAvailable().
    void setAvailable(bool available) { m_available = available; }
    /// The permission answer, given on a thread of its own, as a platform would.
    void setAuthorizationStatus(AuthorizationStatus status) { m_status = status; }
    /// Makes prepareRecognizer() wait until finishPreparation(), as a model's first check would.
    void holdPreparations() { m_holdsPreparations = true; }
    /// Ends the preparation under way, if there is one.
    void finishPreparation();
    /// Whether a preparation is under way.
    bool isPreparing() const { return m_preparation != nullptr; }

    /// The tasks created so far, the first created first. The service keeps them all, so that an
    /// old task can still be made to report after its owner has let it go.
    QList<ScriptedRecognitionTask *> tasks() const;
    /// Called with each task as it is created.
    void setTaskCreatedHandler(std::function<void(ScriptedRecognitionTask *)> handler)
    {
        m_taskCreated = std::move(handler);
    }

    void requestAuthorization(std::function<void(AuthorizationStatus)> handler) override;
    QFuture<void> prepareRecognizer(const Locale &locale) override;
    std::shared_ptr<SpeechRecognizer> recognizer(const Locale &locale) override;

private:
    friend class ScriptedRecognizer;
    std::shared_ptr<RecognitionTask> createTask(const std::shared_ptr<RecognitionRequest> &request);

    QStringList m_supportedCodes;
    bool m_available = true;
    AuthorizationStatus m_status = AuthorizationStatus::Authorized;
    QList<std::shared_ptr<ScriptedRecognitionTask>> m_tasks;
    std::function<void(ScriptedRecognitionTask *)> m_taskCreated;
    bool m_holdsPreparations = false;
    std::unique_ptr<QPromise<void>> m_preparation;
    bool m_prepared = false;
};

/// A recognition task that reports what it is told to.
///
/// Unlike a real task it goes on reporting after cancel(), so that tests can check that the
/// reports of a replaced task change nothing.
class ScriptedRecognitionTask : public RecognitionTask
{
    Q_OBJECT

public:
    explicit ScriptedRecognitionTask(std::shared_ptr<RecognitionRequest> request);

    void cancel() override { m_cancelled = true; }
    bool isCancelled() const { return m_cancelled; }

    /// The audio appended to the task's request so far, in seconds; reading takes it.
    double takeAudioDuration();

    /// Reports \a transcription as the task's hypothesis.
    void hypothesize(const Transcription &transcription)
    {
        Q_EMIT didHypothesizeTranscription(transcription);
    }
    /// Reports \a seconds of processed audio.
    void processAudio(double seconds) { Q_EMIT didProcessAudioDuration(seconds); }

private:
    std::shared_ptr<RecognitionRequest> m_request;
    bool m_cancelled = false;
};
