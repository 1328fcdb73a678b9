// SPDX-License-Identifier: GPL-3.0-or-later
#include "PocketSphinxDecoder.h"

#include "SpeechAudioConverter.h"

#include <QCoreApplication>
#include <QThreadPool>

#include <pocketsphinx.h>

#include <algorithm>
#include <condition_variable>
#include <future>
#include <map>
#include <mutex>
#include <pthread.h>

using namespace std::chrono_literals;

namespace {

// Voice-activity changes are seen only between calls: larger calls would run utterances together.
constexpr size_t maxSamplesPerCall = 1024;
// How often a task hears of progress, in seconds of its audio.
constexpr double reportInterval = 0.1;
// How long the worker waits for more audio before it reports what it has, so that the end of the
// audio is reported too.
constexpr auto reportDelay = 100ms;
// Where voice-activity detection never hears a pause (steady noise), an utterance still ends, so
// that the search and its partial results stay small.
constexpr qint64 maxUtteranceSeconds = 30;
// At most 15 characters.
constexpr char workerName[] = "speech-decoder";

struct Registry
{
    std::mutex mutex;
    std::map<QString, std::weak_ptr<PocketSphinxDecoder>> running;
    // By folder. The first to ask checks, outside the lock; whoever asks meanwhile waits for it.
    std::map<QString, std::shared_future<bool>> soundness;
};

// Never destroyed: the post routine that stops the workers runs when the application object goes,
// which may be during static destruction.
Registry &registry()
{
    static Registry *const instance = new Registry;
    return *instance;
}

} // namespace

struct PocketSphinxDecoder::Doorbell
{
    // Any thread: an append handler does nothing else.
    void ring()
    {
        {
            const std::lock_guard lock(mutex);
            rung = true;
        }
        wake.notify_one();
    }

    std::mutex mutex;
    std::condition_variable wake;
    bool rung = false;
};

struct PocketSphinxDecoder::Session
{
    // A buffer the session has decoded, and where its audio starts in the decoder's stream.
    struct Decoded
    {
        std::weak_ptr<const AudioBuffer> buffer;
        qint64 streamSample = 0;
    };

    Session(const Job &job, int sampleRate, qint64 startFrame)
        : Session(job, sampleRate, startFrame, HypothesisBuilder(job.punctuates))
    {}
    Session(const Job &job, int sampleRate, qint64 startFrame, HypothesisBuilder heard)
        : task(job.task)
        , request(job.request)
        , punctuates(job.punctuates)
        , converter(std::make_unique<SpeechAudioConverter>(sampleRate))
        , hypothesis(std::move(heard))
        , startFrame(startFrame)
    {}

    bool hasUnreportedAudio() const { return processedSeconds > reportedSeconds; }

    // How many of \a buffers, from the first, are the ones this session decoded last, in order;
    // 0 when they are not all of them.
    size_t replayedCount(const std::vector<AudioBufferPtr> &buffers) const
    {
        const auto same = [](const Decoded &decoded, const AudioBufferPtr &buffer) {
            return buffer && !decoded.buffer.owner_before(buffer) &&
                   !buffer.owner_before(decoded.buffer);
        };
        if (buffers.empty())
            return 0;
        for (size_t start = decoded.size(); start-- > 0;) {
            if (!same(decoded[start], buffers.front()))
                continue;
            const size_t count = decoded.size() - start;
            if (count > buffers.size())
                return 0;
            for (size_t i = 1; i < count; ++i) {
                if (!same(decoded[start + i], buffers[i]))
                    return 0;
            }
            return count;
        }
        return 0;
    }

    const quint64 task;
    const std::shared_ptr<RecognitionRequest> request;
    const bool punctuates;
    // Handed on with the decoding, so that the audio it goes on with joins without a seam.
    std::unique_ptr<SpeechAudioConverter> converter;
    HypothesisBuilder hypothesis;
    // Decoder frames count from the start of the stream, not of the task.
    const qint64 startFrame;
    double processedSeconds = 0.0;
    double reportedSeconds = 0.0;
    Transcription reportedTranscription;
    std::vector<Decoded> decoded;
};

std::shared_ptr<PocketSphinxDecoder> PocketSphinxDecoder::forModel(const PocketSphinxModel &model)
{
    if (!check(model))
        return nullptr;
    Registry &shared = registry();
    const std::lock_guard lock(shared.mutex);
    std::weak_ptr<PocketSphinxDecoder> &running = shared.running[model.folder()];
    if (const std::shared_ptr<PocketSphinxDecoder> decoder = running.lock();
        decoder && decoder->isAvailable())
        return decoder;
    const std::shared_ptr<PocketSphinxDecoder> decoder(new PocketSphinxDecoder(model),
                                                       &endInBackground);
    running = decoder;
    // The list of post routines is emptied as it runs, and it may have run for an earlier
    // application object.
    qRemovePostRoutine(stopAll);
    qAddPostRoutine(stopAll);
    return decoder;
}

bool PocketSphinxDecoder::check(const PocketSphinxModel &model)
{
    Registry &shared = registry();
    std::promise<bool> verdict;
    std::shared_future<bool> known;
    bool checksHere = false;
    {
        const std::lock_guard lock(shared.mutex);
        const auto [entry, added] =
            shared.soundness.try_emplace(model.folder(), verdict.get_future().share());
        known = entry->second;
        checksHere = added;
    }
    if (checksHere)
        verdict.set_value(model.isSound());
    return known.get();
}

bool PocketSphinxDecoder::isChecked(const PocketSphinxModel &model)
{
    Registry &shared = registry();
    const std::lock_guard lock(shared.mutex);
    const auto entry = shared.soundness.find(model.folder());
    return entry != shared.soundness.end() &&
           entry->second.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

// The worker may still be loading, and freeing a model takes tens of milliseconds: whoever lets go
// of the last reference, the main thread mostly, must not wait for either.
void PocketSphinxDecoder::endInBackground(PocketSphinxDecoder *decoder)
{
    QThreadPool *const pool =
        QCoreApplication::instance() ? QThreadPool::globalInstance() : nullptr;
    if (!pool) {
        delete decoder;
        return;
    }
    pool->start([decoder] { delete decoder; });
}

PocketSphinxDecoder::PocketSphinxDecoder(PocketSphinxModel model)
    : m_model(std::move(model))
    , m_doorbell(std::make_shared<Doorbell>())
{
    m_worker = std::thread(&PocketSphinxDecoder::run, this);
}

PocketSphinxDecoder::~PocketSphinxDecoder()
{
    stop();
}

bool PocketSphinxDecoder::isAvailable() const
{
    const std::lock_guard lock(m_doorbell->mutex);
    return !m_loadFailed && !m_stopping;
}

quint64 PocketSphinxDecoder::serve(const std::shared_ptr<RecognitionRequest> &request,
                                   bool punctuates, ProgressHandler handler)
{
    request->setAppendHandler([doorbell = std::weak_ptr(m_doorbell)] {
        if (const std::shared_ptr<Doorbell> bell = doorbell.lock())
            bell->ring();
    });
    quint64 task = 0;
    {
        const std::lock_guard lock(m_doorbell->mutex);
        task = ++m_lastTask;
        m_job = Job{task, request, punctuates};
        m_handler = std::move(handler);
    }
    m_doorbell->wake.notify_one();
    return task;
}

void PocketSphinxDecoder::release(quint64 task)
{
    {
        const std::lock_guard lock(m_doorbell->mutex);
        if (!m_job || m_job->task != task)
            return;
        m_job.reset();
        m_handler = nullptr;
    }
    m_doorbell->wake.notify_one();
}

// Runs as the QCoreApplication is destroyed, so that no worker is left posting to it.
void PocketSphinxDecoder::stopAll()
{
    Registry &shared = registry();
    const std::lock_guard lock(shared.mutex);
    for (const auto &[folder, running] : shared.running) {
        if (const std::shared_ptr<PocketSphinxDecoder> decoder = running.lock())
            decoder->stop();
    }
}

void PocketSphinxDecoder::stop()
{
    {
        const std::lock_guard lock(m_doorbell->mutex);
        m_stopping = true;
        m_job.reset();
        m_handler = nullptr;
    }
    m_doorbell->wake.notify_one();
    if (m_worker.joinable())
        m_worker.join();
}

void PocketSphinxDecoder::run()
{
    // So that debuggers, top and the exit test can tell the worker apart.
    pthread_setname_np(pthread_self(), workerName);
    m_decoder = m_model.load();
    {
        const std::lock_guard lock(m_doorbell->mutex);
        m_loadFailed = !m_decoder;
    }
    if (!m_decoder)
        return;
    cmd_ln_t *const config = ps_get_config(m_decoder);
    m_sampleRate = int(cmd_ln_float_r(config, "-samprate"));
    const long frameRate = cmd_ln_int_r(config, "-frate");
    m_framesPerSecond = double(frameRate);
    m_samplesPerFrame = std::max<qint64>(1, m_sampleRate / std::max(1L, frameRate));
    ps_start_stream(m_decoder);
    ps_start_utt(m_decoder);
    serveTasks();
    m_session.reset();
    ps_free(m_decoder);
}

void PocketSphinxDecoder::serveTasks()
{
    while (const std::optional<Work> work = nextWork()) {
        const quint64 assigned = work->job ? work->job->task : 0;
        if (!m_session || m_session->task != assigned) {
            if (!work->job) {
                closeSession();
                continue;
            }
            decodeBuffers(openSession(*work->job));
        }
        decodeWaitingAudio();
        if (work->reportDue)
            report();
    }
}

// Waits for audio, a change of task, or the time to report the last of the audio; none when the
// decoder stops.
std::optional<PocketSphinxDecoder::Work> PocketSphinxDecoder::nextWork()
{
    std::unique_lock lock(m_doorbell->mutex);
    const auto hasWork = [this] {
        const quint64 assigned = m_job ? m_job->task : 0;
        const quint64 served = m_session ? m_session->task : 0;
        return m_stopping || m_doorbell->rung || assigned != served;
    };
    bool reportDue = false;
    if (m_session && m_session->hasUnreportedAudio())
        reportDue = !m_doorbell->wake.wait_for(lock, reportDelay, hasWork);
    else
        m_doorbell->wake.wait(lock, hasWork);
    if (m_stopping)
        return std::nullopt;
    m_doorbell->rung = false;
    return Work{m_job, reportDue};
}

bool PocketSphinxDecoder::isServing(quint64 task) const
{
    const std::lock_guard lock(m_doorbell->mutex);
    return !m_stopping && m_job && m_job->task == task;
}

std::vector<AudioBufferPtr> PocketSphinxDecoder::openSession(const Job &job)
{
    std::vector<AudioBufferPtr> waiting = job.request->takeBuffers();
    const size_t replayed = m_session && m_session->punctuates == job.punctuates
                                ? m_session->replayedCount(waiting)
                                : 0;
    if (replayed == 0) {
        closeSession();
        m_session =
            std::make_unique<Session>(job, m_sampleRate, m_streamSamples / m_samplesPerFrame);
        return waiting;
    }
    // The new task goes on from the old one's decoding, from its first buffer on.
    Session &earlier = *m_session;
    const auto first = earlier.decoded.end() - qsizetype(replayed);
    const qint64 startFrame = first->streamSample / m_samplesPerFrame;
    const double skipped = double(startFrame - earlier.startFrame) / m_framesPerSecond;
    auto session =
        std::make_unique<Session>(job, m_sampleRate, startFrame, earlier.hypothesis.from(skipped));
    session->decoded.assign(first, earlier.decoded.end());
    session->converter = std::move(earlier.converter);
    for (size_t i = 0; i < replayed; ++i)
        session->processedSeconds += waiting[i]->duration();
    m_session = std::move(session);
    report();
    return {waiting.begin() + qsizetype(replayed), waiting.end()};
}

// What was left of the last task's utterance is nobody's now; the next task starts a clean one.
void PocketSphinxDecoder::closeSession()
{
    m_session.reset();
    if (!m_utteranceHasAudio)
        return;
    ps_end_utt(m_decoder);
    ps_start_utt(m_decoder);
    m_utteranceHasAudio = false;
    m_inSpeech = false;
}

void PocketSphinxDecoder::decodeWaitingAudio()
{
    decodeBuffers(m_session->request->takeBuffers());
}

void PocketSphinxDecoder::decodeBuffers(const std::vector<AudioBufferPtr> &buffers)
{
    for (const AudioBufferPtr &buffer : buffers) {
        if (!isServing(m_session->task))
            return;
        if (!buffer)
            continue;
        decode(buffer);
        m_session->processedSeconds += buffer->duration();
        if (m_session->processedSeconds >= m_session->reportedSeconds + reportInterval)
            report();
    }
}

void PocketSphinxDecoder::decode(const AudioBufferPtr &buffer)
{
    m_session->decoded.push_back({buffer, m_streamSamples});
    m_samples.clear();
    m_session->converter->convert(*buffer, m_samples);
    for (size_t start = 0; start < m_samples.size(); start += maxSamplesPerCall) {
        const size_t count = std::min(maxSamplesPerCall, m_samples.size() - start);
        ps_process_raw(m_decoder, m_samples.data() + start, count, FALSE, FALSE);
        m_streamSamples += qint64(count);
        m_utteranceHasAudio = true;
        followVoiceActivity();
    }
}

void PocketSphinxDecoder::followVoiceActivity()
{
    const bool inSpeech = ps_get_in_speech(m_decoder) != 0;
    if (inSpeech && !m_inSpeech) {
        m_inSpeech = true;
        m_speechStart = m_streamSamples;
    }
    if (!m_inSpeech)
        return;
    const bool tooLong = m_streamSamples - m_speechStart > maxUtteranceSeconds * m_sampleRate;
    if (!inSpeech || tooLong)
        finishUtterance();
}

void PocketSphinxDecoder::finishUtterance()
{
    ps_end_utt(m_decoder);
    m_session->hypothesis.finishUtterance(decodedWords());
    ps_start_utt(m_decoder);
    m_utteranceHasAudio = false;
    m_inSpeech = false;
}

QList<HypothesisBuilder::Word> PocketSphinxDecoder::decodedWords() const
{
    QList<HypothesisBuilder::Word> words;
    for (ps_seg_t *segment = ps_seg_iter(m_decoder); segment; segment = ps_seg_next(segment)) {
        int startFrame = 0;
        int endFrame = 0;
        ps_seg_frames(segment, &startFrame, &endFrame);
        // A task that goes on from another's decoding takes the utterance under way whole, so that
        // its final reading replaces the early one the other task had shown; words heard before
        // the task's audio began count from its start.
        const double seconds =
            double(std::max(startFrame - int(m_session->startFrame), 0)) / m_framesPerSecond;
        words.append({QString::fromUtf8(ps_seg_word(segment)), seconds});
    }
    return words;
}

void PocketSphinxDecoder::report()
{
    Session &session = *m_session;
    if (m_inSpeech)
        session.hypothesis.setOpenUtterance(decodedWords());
    Progress progress;
    Transcription transcription = session.hypothesis.transcription();
    if (transcription != session.reportedTranscription) {
        session.reportedTranscription = transcription;
        progress.transcription = std::move(transcription);
    }
    if (session.hasUnreportedAudio())
        progress.processedSeconds = session.processedSeconds;
    session.reportedSeconds = session.processedSeconds;
    if (progress.transcription || progress.processedSeconds)
        deliver(session.task, progress);
}

void PocketSphinxDecoder::deliver(quint64 task, const Progress &progress)
{
    const std::lock_guard lock(m_doorbell->mutex);
    if (!m_stopping && m_job && m_job->task == task)
        m_handler(progress);
}
