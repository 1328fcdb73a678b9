// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Base/Language.h"
#include "Base/WeakDelegate.h"
#include "CueBuilder.h"
#include "ErrorReportingModel.h"
#include "ListeningModelDelegate.h"
#include "Platform/Audio/AudioEngine.h"
#include "Platform/Speech/SpeechService.h"
#include "TranscriptAssembly.h"

#include <memory>
#include <mutex>
#include <optional>
#include <qcoro/qcorotask.h>
#include <vector>

/// Listens to the microphone for one overlay: captures audio, recognises it, and assembles one
/// stable transcript and a short display text from the recogniser's ever-changing hypotheses.
///
/// A recognition task is replaced after every 30 seconds of processed audio; the new one hears
/// the newest half of the captured audio again, its hypotheses are dropped until it has caught
/// up, and the texts of the two tasks are spliced where they overlap. Until then the replaced
/// task goes on hearing the live audio and showing what it hears, so that the display never
/// stands still while the new task catches up; the hand-over merges the replaced task's last
/// text, then the new one's. The display text is the hypothesis from its last pause point on; the
/// pause point moves to a sentence end once the text grows long.
///
/// Each run is also cut into timed cues on the run's own clock: a task that takes over starts
/// where its replay starts in the run's audio, so times go on across every replacement.
///
/// Main thread, except the capture tap, which runs on the audio engine's thread and touches only
/// the captured buffers and the requests, under one lock.
class ListeningModel : public ErrorReportingModel
{
    Q_OBJECT

public:
    /// A model that recognises with \a speech and captures with \a audioEngine. Asks for
    /// permission to recognise speech at once.
    ListeningModel(std::shared_ptr<SpeechService> speech, std::unique_ptr<AudioEngine> audioEngine,
                   QObject *parent = nullptr);
    ~ListeningModel() override;

    /// The owner to tell about listening and transcripts; held weakly.
    void setDelegate(ListeningModelDelegate *delegate) { m_delegate = delegate; }

    /// The spoken language. Changing it from a language stops listening and clears the display
    /// text; listening does not restart by itself.
    std::optional<Language> sourceLanguage() const { return m_sourceLanguage; }
    void setSourceLanguage(const std::optional<Language> &language);

    /// Whether capture runs: the listening state.
    bool isListening() const { return m_audioEngine->isRunning(); }

    /// Starts listening on a later turn of the main loop, once the recogniser and the audio engine
    /// have done their slow set-up without the main thread waiting; the way other models start
    /// it. A stop before then, or a change of language, cancels it.
    void scheduleStartListening();
    /// Starts capture and recognition, unless already listening. What has not been prepared is set
    /// up here, and waited for. A start that fails raises the alert, errors shown or not.
    void startListening();
    /// Stops capture and recognition, if listening, and merges the last text.
    void stopListening();

    /// What the subtitle shows now: the current hypothesis from the last pause point on.
    std::optional<QString> sourceText() const { return m_sourceText; }
    /// What the current task heard that is in no finished cue yet: the sentence being spoken,
    /// which goes on below the run's cues without repeating any of their words.
    const QString &liveText() const { return m_liveText; }
    /// Everything heard since the model was made, spliced together.
    const QString &fullTranscript() const { return m_assembly.fullTranscript(); }
    /// How the transcript and the display text are assembled, with the solidified position.
    const TranscriptAssembly &transcriptAssembly() const { return m_assembly; }
    /// Seconds of audio the current task has processed, as it last said.
    double lastProcessedAudioDuration() const { return m_current.processed; }

Q_SIGNALS:
    void sourceTextChanged();
    void liveTextChanged();
    void fullTranscriptChanged();
    void listeningChanged();
    /// The recognition task was replaced after \a processedAudioDuration seconds of audio; the new
    /// one hears the newest \a replayedAudioDuration seconds of it again first.
    void didResetRecognition(double processedAudioDuration, double replayedAudioDuration);
    /// Capture goes on from another input than before, or than the chosen one; \a message tells
    /// the user which and why. Listening has not stopped.
    void inputNotice(const QString &message);

private:
    // Captured audio and the request it goes to: shared with the capture tap, which holds it
    // weakly, so that a tap call racing the model's end finds nothing rather than a dead model.
    struct Capture
    {
        std::mutex lock;
        std::vector<AudioBufferPtr> audioBuffers;
        std::shared_ptr<RecognitionRequest> recognitionRequest;
        // The replaced task's request, which hears the live audio too until the hand-over.
        std::shared_ptr<RecognitionRequest> outgoingRequest;
        // Seconds of audio given to recognitionRequest, the replay included.
        double requestSeconds = 0;
    };

    /// \a stopCount: stopListening()'s count when the start was scheduled.
    QCoro::Task<> startWhenPrepared(quint64 stopCount);
    /// Why the start failed, in the user's words; none when capture and recognition run.
    std::optional<QString> beginRecognition();
    void startRecognitionTask();
    void stopAudioAndRecognition();
    void resetRecognitionIfNeeded();
    /// Whether the current task has heard nearly all the audio given to it.
    bool hasCaughtUp() const;
    /// Ends the replaced task, merging what it has said since the reset.
    void finishOverlap();
    void dropOutgoingTask();
    /// Where a task's audio lies in the run, and what it said last.
    struct TaskClock
    {
        /// Seconds into the run's audio at which the task's audio begins.
        double start = 0;
        /// Seconds of its audio that the task has processed, as it last said.
        double processed = 0;
        Transcription lastHypothesis;
    };

    /// Cuts \a clock's last hypothesis into cues, its unfinished sentence too, as its task ends.
    void finishCues(const TaskClock &clock);
    void handOnCues(const QList<CaptionCue> &cues);
    void handleAuthorizationStatus(SpeechService::AuthorizationStatus status);
    void handleCaptureFailure(const Error &error);
    void requestTaggingAssets(const Language &language);

    void speechRecognitionTaskDidHypothesize(const RecognitionTask *task,
                                             const Transcription &transcription);
    void speechRecognitionTaskDidProcessAudio(const RecognitionTask *task, double seconds);
    /// Shows \a transcription, which \a clock's task has just said, and cues what it finished.
    void acceptHypothesis(const Transcription &transcription, TaskClock &clock);
    void setSourceText(const std::optional<QString> &text);
    void setLiveText(const QString &text);
    void notifyFullTranscriptUpdated();
    /// Hands the owner the transcript with the text heard since the last merge, when a sentence
    /// has ended or enough audio has passed since it was last handed on.
    void handOnHeardTextIfDue();
    static std::shared_ptr<RecognitionRequest> makeRequest();

    quint64 m_id = 0;
    // Counts the stops, so that a start scheduled before one is not made after it.
    quint64 m_stopCount = 0;
    int m_startsBeingPrepared = 0;
    std::shared_ptr<SpeechService> m_speech;
    std::unique_ptr<AudioEngine> m_audioEngine;
    WeakDelegate<ListeningModelDelegate> m_delegate;
    std::shared_ptr<Capture> m_capture = std::make_shared<Capture>();

    std::optional<QString> m_sourceText;
    QString m_liveText;
    std::shared_ptr<SpeechRecognizer> m_speechRecognizer;
    std::shared_ptr<RecognitionTask> m_recognitionTask;
    // The replaced task, while the current one catches up; its hypotheses drive the display.
    std::shared_ptr<RecognitionTask> m_outgoingTask;
    // Whether the replaced task has said more since its text was merged at the reset.
    bool m_outgoingTextChanged = false;
    TaskClock m_current;
    TaskClock m_outgoing;
    CueBuilder m_cueBuilder;
    // Where in the current task's audio, and after how many of its sentences, the text heard was
    // last handed on.
    double m_handedOnAt = 0;
    qsizetype m_handedOnSentences = 0;
    std::optional<double> m_ignoreTranscriptionUntil;
    QString m_currentSegmentTranscription;
    TranscriptAssembly m_assembly;
    std::optional<Language> m_sourceLanguage;
};
