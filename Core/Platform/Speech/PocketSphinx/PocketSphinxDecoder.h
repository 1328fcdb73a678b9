// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "HypothesisBuilder.h"
#include "Platform/Speech/RecognitionRequest.h"
#include "Platform/Speech/Transcription.h"
#include "PocketSphinxModel.h"

#include <QtGlobal>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

struct ps_decoder_s;

/// One model's pocketsphinx decoder, loaded once and kept on a worker thread of its own, which
/// decodes for one recognition task at a time.
///
/// A load costs most of a second and about 94 MB, so all tasks of a model share the process's one
/// decoder: a task ends the utterance under way and starts its own. The audio stream runs on from
/// task to task, because the voice-activity detector takes the first second of a new stream for
/// speech, and because a running stream keeps its adapted input normalisation. The newest task
/// takes the decoder: the one it was serving before gets nothing more.
///
/// A task whose request begins with the very buffers that the task before it decoded last (as a
/// replacement task hears the newest audio again) is not made to decode them again: it goes on
/// from the earlier task's decoding, with the words heard since its first buffer, timed from there,
/// and the utterance under way. A replacement thus catches up at once, and its text over the
/// replayed audio is the same as the earlier task's, at no cost.
///
/// The worker converts and decodes the requests' audio and touches nothing else. It hands a task's
/// progress to the task's handler with the decoder's lock held, so that once release() has
/// returned the handler is not called again. Every worker stops when the QCoreApplication goes
/// away, before static destruction begins. Call the public members on the main thread.
class PocketSphinxDecoder
{
public:
    /// What a task has come to since its last progress; each part only when it has changed.
    struct Progress
    {
        /// The whole text recognised so far.
        std::optional<Transcription> transcription;
        /// Seconds of the task's audio decoded so far.
        std::optional<double> processedSeconds;
    };
    /// Receives a task's progress on the worker thread, with the decoder's lock held: it may only
    /// post the progress on, never wait or call back into the decoder.
    using ProgressHandler = std::function<void(const Progress &progress)>;

    /// The process's decoder for \a model: the one running already, or else a new one once check()
    /// has found the model sound. Null for a damaged model. When the last holder lets go of it, it
    /// is stopped and freed on a thread of Qt's global pool, which the application object waits
    /// for as it goes.
    static std::shared_ptr<PocketSphinxDecoder> forModel(const PocketSphinxModel &model);

    /// Whether \a model is sound, which a child process shows by loading it: blocks for about one
    /// load the first time a model is asked for, and for a check under way on another thread. The
    /// verdict holds for the process. Any thread.
    static bool check(const PocketSphinxModel &model);
    /// Whether check() would return at once for \a model. Any thread.
    static bool isChecked(const PocketSphinxModel &model);

    /// Starts loading \a model on a new worker thread. Only for a model that isSound().
    explicit PocketSphinxDecoder(PocketSphinxModel model);
    /// Stops the worker and waits for it: for the rest of a load, else a few milliseconds.
    ~PocketSphinxDecoder();
    PocketSphinxDecoder(const PocketSphinxDecoder &) = delete;
    PocketSphinxDecoder &operator=(const PocketSphinxDecoder &) = delete;

    /// False once loading has failed or the decoder has stopped.
    bool isAvailable() const;

    /// Starts decoding the audio of \a request, that appended so far and that to come, for a new
    /// task whose progress goes to \a handler. Returns the task's number, for release().
    quint64 serve(const std::shared_ptr<RecognitionRequest> &request, bool punctuates,
                  ProgressHandler handler);

    /// Stops decoding for \a task: its handler is not called after this returns. Never waits for
    /// decoding to finish.
    void release(quint64 task);

private:
    struct Doorbell;
    /// A task's audio, and how its text is written.
    struct Job
    {
        quint64 task = 0;
        std::shared_ptr<RecognitionRequest> request;
        bool punctuates = true;
    };
    struct Work
    {
        std::optional<Job> job;
        bool reportDue = false;
    };
    struct Session;

    static void stopAll();
    /// The deleter of the decoders that forModel() hands out.
    static void endInBackground(PocketSphinxDecoder *decoder);
    void stop();

    // The worker thread's own.
    void run();
    void serveTasks();
    std::optional<Work> nextWork();
    bool isServing(quint64 task) const;
    /// Starts serving \a job; returns the audio of its request still to be decoded.
    std::vector<AudioBufferPtr> openSession(const Job &job);
    void closeSession();
    void decodeWaitingAudio();
    void decodeBuffers(const std::vector<AudioBufferPtr> &buffers);
    void decode(const AudioBufferPtr &buffer);
    void followVoiceActivity();
    void finishUtterance();
    QList<HypothesisBuilder::Word> decodedWords() const;
    void report();
    void deliver(quint64 task, const Progress &progress);

    const PocketSphinxModel m_model;
    // Shared with the requests' append handlers, which must not keep the decoder alive.
    const std::shared_ptr<Doorbell> m_doorbell;

    // Guarded by the doorbell's mutex.
    std::optional<Job> m_job;
    ProgressHandler m_handler;
    quint64 m_lastTask = 0;
    bool m_loadFailed = false;
    bool m_stopping = false;

    // The worker's alone.
    ps_decoder_s *m_decoder = nullptr;
    qint64 m_samplesPerFrame = 160;
    double m_framesPerSecond = 100.0;
    int m_sampleRate = 16'000;
    qint64 m_streamSamples = 0;
    bool m_utteranceHasAudio = false;
    bool m_inSpeech = false;
    qint64 m_speechStart = 0;
    std::unique_ptr<Session> m_session;
    std::vector<qint16> m_samples;

    std::thread m_worker;
};
