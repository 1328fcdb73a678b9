// SPDX-License-Identifier: GPL-3.0-or-later
// How the subtitle follows speech, measured on espeak-ng speech played in real time through the
// real recogniser and listening model:
//   - latency: from the end of a word in the audio to the first accepted hypothesis that shows it
//     (a word's end is taken as the next word's start, at most 0.8 s after its own);
//   - from each 30-second reset to the new task's first accepted hypothesis;
//   - the process's peak memory.
// Usage: voxlume-bench-transcribe [minutes of speech, default 2]

#include "ListeningModel.h"
#include "Logging.h"
#include "Platform/Audio/WavFileAudioEngine.h"
#include "Platform/Speech/PocketSphinx/PocketSphinxSpeechService.h"
#include "SpokenWav.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <mutex>
#include <sys/resource.h>

using namespace Qt::Literals::StringLiterals;

namespace {

double percentile(QList<double> values, double share)
{
    if (values.isEmpty())
        return qQNaN();
    std::sort(values.begin(), values.end());
    return values.at(qsizetype(share * double(values.size() - 1)));
}

// Passes another engine's audio on, noting when each buffer was captured.
class CaptureClock : public AudioEngine
{
public:
    CaptureClock(std::unique_ptr<AudioEngine> source, const QElapsedTimer &clock)
        : m_source(std::move(source))
        , m_clock(clock)
    {}

    /// When buffer \a index (counted from the first) began, in seconds of the clock.
    double captureStart(qsizetype index) const
    {
        const std::lock_guard lock(m_lock);
        return m_ends.value(index, qQNaN()) - m_bufferSeconds;
    }
    /// How long each buffer is.
    double bufferSeconds() const
    {
        const std::lock_guard lock(m_lock);
        return m_bufferSeconds;
    }
    qsizetype delivered() const
    {
        const std::lock_guard lock(m_lock);
        return m_ends.size();
    }

    bool isRunning() const override { return m_source->isRunning(); }
    void installTap(int frames, Tap tap) override
    {
        m_source->installTap(frames, [this, tap = std::move(tap)](const AudioBufferPtr &buffer) {
            {
                const std::lock_guard lock(m_lock);
                m_ends.append(double(m_clock.nsecsElapsed()) / 1e9);
                m_bufferSeconds = buffer->duration();
            }
            tap(buffer);
        });
    }
    void removeTap() override { m_source->removeTap(); }
    void prepare() override { m_source->prepare(); }
    std::optional<Error> start() override { return m_source->start(); }
    void stop() override { m_source->stop(); }
    void setFailureHandler(std::function<void(const Error &)> handler) override
    {
        m_source->setFailureHandler(std::move(handler));
    }
    void setEndOfInputHandler(std::function<void()> handler) override
    {
        m_source->setEndOfInputHandler(std::move(handler));
    }

private:
    std::unique_ptr<AudioEngine> m_source;
    const QElapsedTimer &m_clock;
    mutable std::mutex m_lock;
    QList<double> m_ends;
    double m_bufferSeconds = 0;
};

// Passes a recogniser's hypotheses on, then tells \a seen about each, with its task's number.
class TimedTask : public RecognitionTask
{
public:
    TimedTask(std::shared_ptr<RecognitionTask> inner, int number,
              const std::function<void(int, const Transcription &)> &seen)
        : m_inner(std::move(inner))
    {
        connect(m_inner.get(), &RecognitionTask::didHypothesizeTranscription, this,
                [this, number, seen](const Transcription &transcription) {
                    Q_EMIT didHypothesizeTranscription(transcription);
                    seen(number, transcription);
                });
        connect(m_inner.get(), &RecognitionTask::didProcessAudioDuration, this,
                &RecognitionTask::didProcessAudioDuration);
    }
    void cancel() override { m_inner->cancel(); }

private:
    std::shared_ptr<RecognitionTask> m_inner;
};

// Notes each hypothesis that the model accepts.
class AcceptanceWatch : public ListeningModelDelegate
{
public:
    bool accepted = false;

    void listeningModelDidStartListening() override {}
    void listeningModelDidReceiveTranscription() override { accepted = true; }
    void listeningModelDidUpdateFullTranscript(const QString &) override {}
    void listeningModelDidStopListening() override {}
};

class TimedSpeechService : public SpeechService, public SpeechRecognizer
{
public:
    explicit TimedSpeechService(std::function<void(int, const Transcription &)> seen)
        : m_seen(std::move(seen))
    {}

    void requestAuthorization(std::function<void(AuthorizationStatus)> handler) override
    {
        m_service.requestAuthorization(std::move(handler));
    }
    std::shared_ptr<SpeechRecognizer> recognizer(const Locale &locale) override
    {
        m_recognizer = m_service.recognizer(locale);
        return m_recognizer ? std::shared_ptr<SpeechRecognizer>(std::shared_ptr<void>(), this)
                            : nullptr;
    }
    void setDefaultTaskHint(TaskHint hint) override { m_recognizer->setDefaultTaskHint(hint); }
    bool isAvailable() const override { return m_recognizer->isAvailable(); }
    std::shared_ptr<RecognitionTask>
    recognitionTask(const std::shared_ptr<RecognitionRequest> &request) override
    {
        return std::make_shared<TimedTask>(m_recognizer->recognitionTask(request), ++m_tasks,
                                           m_seen);
    }

private:
    PocketSphinxSpeechService m_service;
    std::shared_ptr<SpeechRecognizer> m_recognizer;
    std::function<void(int, const Transcription &)> m_seen;
    int m_tasks = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const double minutes = argc > 1 ? QString::fromLocal8Bit(argv[1]).toDouble() : 2.0;
    FILE *nowhere = std::fopen("/dev/null", "w");
    Logging::shared().setEchoStream(nowhere);

    QTemporaryDir folder;
    // The story, told again and again: about 80 s a telling.
    QStringList tellings;
    for (int telling = 0; telling < int(minutes * 60 / 80) + 1; ++telling)
        tellings << spokenStory().join(u' ');
    const QString speech = writeSpokenWav(folder.path(), u"speech"_s, tellings.join(u' '));
    if (speech.isEmpty()) {
        std::fprintf(stderr, "espeak-ng and sox could not make the speech\n");
        return 1;
    }

    QElapsedTimer clock;
    clock.start();
    const auto now = [&clock] { return double(clock.nsecsElapsed()) / 1e9; };
    auto engine =
        std::make_unique<CaptureClock>(std::make_unique<WavFileAudioEngine>(speech), clock);
    CaptureClock &capture = *engine;
    capture.setEndOfInputHandler([] { QTimer::singleShot(3000, qApp, &QCoreApplication::quit); });

    // Each task's audio begins with the first buffer it hears: the first one captured, or after a
    // reset the oldest of the buffers replayed to it, whose words the old task has shown already.
    QHash<int, double> taskStart;
    QHash<int, double> replayedUntil;
    QList<double> latencies;
    QList<double> resetGaps;
    std::optional<double> resetAt;
    QSet<std::pair<int, qsizetype>> shown;
    AcceptanceWatch accepted;
    auto service = std::make_shared<TimedSpeechService>([&](int task, const Transcription &t) {
        if (!std::exchange(accepted.accepted, false))
            return; // dropped while the new task catches up
        if (resetAt) {
            resetGaps << now() - *std::exchange(resetAt, std::nullopt);
        }
        if (!taskStart.contains(task))
            taskStart.insert(task, capture.captureStart(0));
        for (qsizetype i = 0; i + 1 < t.segments.size(); ++i) {
            const TranscriptionSegment &word = t.segments.at(i);
            if (shown.contains({task, i}) || word.timestamp < replayedUntil.value(task))
                continue;
            shown.insert({task, i});
            const double end = std::min(t.segments.at(i + 1).timestamp, word.timestamp + 0.8);
            latencies << now() - (taskStart.value(task) + end);
        }
    });
    ListeningModel model(service, std::move(engine));
    model.setDelegate(&accepted);
    model.setSourceLanguage(Language(u"en"_s, {}, u"US"_s));
    int tasks = 1;
    QObject::connect(
        &model, &ListeningModel::didResetRecognition, [&](double processed, double replayed) {
            ++tasks;
            const auto replayedBuffers = qsizetype(std::lround(replayed / capture.bufferSeconds()));
            taskStart.insert(tasks, capture.captureStart(capture.delivered() - replayedBuffers));
            replayedUntil.insert(tasks, processed * 0.5);
            resetAt = now();
        });
    model.scheduleStartListening();
    QCoreApplication::exec();
    model.stopListening();

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("speech: %.1f min played in real time, %d recognition tasks\n", minutes, tasks);
    std::printf("word end to display: median %.2f s, 95th percentile %.2f s (%lld words)\n",
                percentile(latencies, 0.5), percentile(latencies, 0.95),
                static_cast<long long>(latencies.size()));
    std::printf("reset to the new task's first accepted hypothesis: median %.2f s, 95th "
                "percentile %.2f s (%lld resets)\n",
                percentile(resetGaps, 0.5), percentile(resetGaps, 0.95),
                static_cast<long long>(resetGaps.size()));
    std::printf("peak memory: %.0f MB\n", double(usage.ru_maxrss) / 1024.0);
    std::fclose(nowhere);
    return 0;
}
