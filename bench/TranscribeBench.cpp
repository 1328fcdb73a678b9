// SPDX-License-Identifier: GPL-3.0-or-later
// How the subtitle follows speech, and how good the transcript is, through the real recogniser
// and listening model with audio played in real time:
//   - espeak-ng speech without pauses: from the end of a word in the audio to the first display
//     text that shows it (a word's end is the next word's start, at most 0.8 s after its own);
//     the longest stretch of heard speech during which the display did not change; the average
//     CPU while listening, in one core's share;
//   - LibriVox read speech from pocketsphinx-testdata, with 20 s pauses between the clips, so
//     that tasks begin on silence;
//   - for both, the word error rate of the assembled transcript beside that of the recogniser's
//     own single pass over the whole file (one task, no resets);
//   - the process's peak memory while listening to the espeak-ng speech.
// Usage: voxlume-bench-transcribe [minutes of espeak-ng speech, default 2]

#include "Base/Logging.h"
#include "Models/ListeningModel.h"
#include "Percentile.h"
#include "Platform/Audio/WavFile.h"
#include "Platform/Audio/WavFileAudioEngine.h"
#include "Platform/Speech/PocketSphinx/PocketSphinxSpeechService.h"
#include "SpokenWav.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <mutex>
#include <sys/resource.h>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString librivoxFolder = u"/usr/share/pocketsphinx/test/data/librivox/"_s;
constexpr double tailSeconds = 3.0;

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &time) {
        return double(time.tv_sec) + double(time.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Passes another engine's audio on, noting when each buffer was captured.
class CaptureClock : public AudioEngine
{
public:
    CaptureClock(std::unique_ptr<AudioEngine> source, const QElapsedTimer &clock)
        : m_source(std::move(source))
        , m_clock(clock)
    {}

    /// When the audio at \a seconds from the start of the file was captured, in seconds of the
    /// clock; NaN before any has been.
    double capturedAt(double seconds) const
    {
        const std::lock_guard lock(m_lock);
        if (m_ends.isEmpty())
            return qQNaN();
        const qsizetype index = std::min(qsizetype(seconds / m_bufferSeconds), m_ends.size() - 1);
        return m_ends.value(index, qQNaN()) - m_bufferSeconds * double(index + 1) + seconds;
    }
    /// Seconds of audio captured so far.
    double capturedSeconds() const
    {
        const std::lock_guard lock(m_lock);
        return double(m_ends.size()) * m_bufferSeconds;
    }

    bool isRunning() const override { return m_source->isRunning(); }
    void installTap(int frames, Tap tap) override
    {
        m_source->installTap(frames, [this, tap = std::move(tap)](const AudioBufferPtr &buffer) {
            {
                const std::lock_guard lock(m_lock);
                m_ends.append(double(m_clock.nsecsElapsed()) / 1e9);
                // The first buffer's: the file's last one may be short.
                if (m_ends.size() == 1)
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
    int taskCount() const { return m_tasks; }

private:
    PocketSphinxSpeechService m_service;
    std::shared_ptr<SpeechRecognizer> m_recognizer;
    std::function<void(int, const Transcription &)> m_seen;
    int m_tasks = 0;
};

// Notes each hypothesis that the model accepts.
class AcceptanceWatch : public QObject, public ListeningModelDelegate
{
public:
    bool accepted = false;

    void listeningModelDidStartListening() override {}
    void listeningModelDidReceiveTranscription() override { accepted = true; }
    void listeningModelDidUpdateFullTranscript(const QString &) override {}
    void listeningModelDidFinishCues(const QList<CaptionCue> &) override {}
    void listeningModelDidStopListening() override {}
};

std::vector<AudioBufferPtr> readBuffers(const QString &path)
{
    std::variant<WavFile, Error> opened = WavFile::open(path);
    std::vector<AudioBufferPtr> buffers;
    WavFile *file = std::get_if<WavFile>(&opened);
    if (!file)
        return buffers;
    for (;;) {
        std::vector<float> samples;
        if (file->readFrames(1024, samples) || samples.empty())
            return buffers;
        buffers.push_back(std::make_shared<const AudioBuffer>(
            file->sampleRate(), file->channelCount(), std::move(samples)));
    }
}

// Stretches of the file, in seconds, where its level says someone speaks.
QList<std::pair<double, double>> speechStretches(const std::vector<AudioBufferPtr> &buffers)
{
    QList<std::pair<double, double>> stretches;
    double at = 0;
    for (const AudioBufferPtr &buffer : buffers) {
        double energy = 0;
        for (const float sample : buffer->samples())
            energy += double(sample) * double(sample);
        const bool speaking = energy / double(buffer->samples().size()) > 1e-4;
        // Pauses between words and sentences belong to the speech around them.
        if (speaking && !stretches.isEmpty() && at - stretches.last().second < 0.6)
            stretches.last().second = at + buffer->duration();
        else if (speaking)
            stretches.append({at, at + buffer->duration()});
        at += buffer->duration();
    }
    return stretches;
}

// What the recogniser makes of the whole file in one task, as fast as it can.
QString singlePass(const QString &path)
{
    PocketSphinxSpeechService service;
    const std::shared_ptr<SpeechRecognizer> recognizer =
        service.recognizer(Language::localeOf(Language(u"en"_s, {}, u"US"_s)));
    auto request = std::make_shared<RecognitionRequest>();
    request->setAddsPunctuation(true);
    double total = 0;
    for (const AudioBufferPtr &buffer : readBuffers(path)) {
        request->append(buffer);
        total += buffer->duration();
    }
    const std::shared_ptr<RecognitionTask> task = recognizer->recognitionTask(request);
    QString text;
    QTimer quiet;
    quiet.setSingleShot(true);
    QObject::connect(&quiet, &QTimer::timeout, qApp, &QCoreApplication::quit);
    QObject::connect(
        task.get(), &RecognitionTask::didHypothesizeTranscription,
        [&](const Transcription &transcription) { text = transcription.formattedString; });
    QObject::connect(task.get(), &RecognitionTask::didProcessAudioDuration, [&](double seconds) {
        if (seconds >= total - 0.01)
            quiet.start(1000);
    });
    QCoreApplication::exec();
    return text;
}

struct RunFigures
{
    QList<double> latencies;
    double longestFrozen = 0;
    double cpuShare = 0;
    double peakMegabytes = 0;
    int tasks = 0;
    QString transcript;
};

// Plays \a path to a listening model in real time.
RunFigures listenInRealTime(const QString &path)
{
    RunFigures figures;
    QElapsedTimer clock;
    clock.start();
    const auto now = [&clock] { return double(clock.nsecsElapsed()) / 1e9; };
    auto engine = std::make_unique<CaptureClock>(std::make_unique<WavFileAudioEngine>(path), clock);
    CaptureClock &capture = *engine;
    capture.setEndOfInputHandler(
        [] { QTimer::singleShot(int(tailSeconds * 1000), qApp, &QCoreApplication::quit); });

    // Where each task's audio begins in the file: at the start, or after a reset at the oldest of
    // the buffers replayed to it.
    QHash<int, double> taskStart{{1, 0.0}};
    // The newest audio shown so far, in seconds of the file: each stretch counts once, whichever
    // task shows it.
    double shownUntil = 0;
    QList<double> displayChanges;
    AcceptanceWatch accepted;
    auto service = std::make_shared<TimedSpeechService>([&](int task, const Transcription &t) {
        if (!std::exchange(accepted.accepted, false) || !taskStart.contains(task))
            return;
        for (qsizetype i = 0; i + 1 < t.segments.size(); ++i) {
            const TranscriptionSegment &word = t.segments.at(i);
            const double end = taskStart.value(task) +
                               std::min(t.segments.at(i + 1).timestamp, word.timestamp + 0.8);
            if (end <= shownUntil + 0.05)
                continue;
            shownUntil = end;
            figures.latencies << now() - capture.capturedAt(end);
        }
    });
    ListeningModel model(service, std::move(engine));
    model.setDelegate(&accepted);
    model.setSourceLanguage(Language(u"en"_s, {}, u"US"_s));
    QObject::connect(&model, &ListeningModel::sourceTextChanged, [&] { displayChanges << now(); });
    QObject::connect(&model, &ListeningModel::didResetRecognition, [&](double, double replayed) {
        taskStart.insert(service->taskCount(), capture.capturedSeconds() - replayed);
    });
    const double cpuBefore = cpuSeconds();
    const double listeningFrom = now();
    model.scheduleStartListening();
    QCoreApplication::exec();
    model.stopListening();
    figures.cpuShare = (cpuSeconds() - cpuBefore) / (now() - listeningFrom);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    figures.peakMegabytes = double(usage.ru_maxrss) / 1024.0;
    figures.tasks = service->taskCount();
    figures.transcript = model.fullTranscript();

    displayChanges << now();
    for (const auto &[from, to] : speechStretches(readBuffers(path))) {
        // Heard from its start on; each display change after that ends a frozen stretch.
        double since = capture.capturedAt(from);
        const double until = capture.capturedAt(to) + 0.8;
        for (const double change : displayChanges) {
            if (change <= since)
                continue;
            figures.longestFrozen =
                std::max(figures.longestFrozen, std::min(change, until) - since);
            since = change;
            if (since >= until)
                break;
        }
    }
    return figures;
}

// The LibriVox clips with 20 s of low noise after each, and what is said in them.
std::pair<QString, QString> librivoxWithPauses(const QDir &folder)
{
    QFile transcription(librivoxFolder + u"transcription"_s);
    if (!transcription.open(QIODevice::ReadOnly))
        return {};
    const QString pause = folder.filePath(u"pause.wav"_s);
    QStringList parts;
    QStringList said;
    for (const QByteArray &line : transcription.readAll().split('\n')) {
        const qsizetype open = line.lastIndexOf('(');
        if (open < 0)
            continue;
        said << QString::fromUtf8(line.left(open)).remove(u"<s>"_s).remove(u"</s>"_s).trimmed();
        parts << librivoxFolder + QString::fromUtf8(line.mid(open + 1).chopped(1)) + u".wav"_s
              << pause;
    }
    const QString path = folder.filePath(u"librivox.wav"_s);
    const bool made = QProcess::execute(u"sox"_s, {u"-R"_s, u"-n"_s, u"-r"_s, u"16000"_s, u"-c"_s,
                                                   u"1"_s, pause, u"synth"_s, u"20"_s,
                                                   u"whitenoise"_s, u"vol"_s, u"0.001"_s}) == 0 &&
                      QProcess::execute(u"sox"_s, parts << path) == 0;
    return made ? std::pair(path, said.join(u' ')) : std::pair<QString, QString>();
}

void printAccuracy(const char *speech, const QString &said, const RunFigures &run,
                   const QString &path)
{
    std::printf("%s: word error rate %.1f %% assembled over %d tasks, %.1f %% in one pass\n",
                speech, wordErrorRate(said, run.transcript) * 100, run.tasks,
                wordErrorRate(said, singlePass(path)) * 100);
}

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
    const QString said = tellings.join(u' ');
    const QString spoken = writeSpokenWav(folder.path(), u"speech"_s, said);
    // Speech is followed by more audio, in which the recogniser hears that the last words are over.
    const QString noise = folder.filePath(u"speech-noise.wav"_s);
    const QString speech = folder.filePath(u"padded.wav"_s);
    if (spoken.isEmpty() ||
        QProcess::execute(u"sox"_s, {spoken, noise, noise, noise, noise, speech}) != 0) {
        std::fprintf(stderr, "espeak-ng and sox could not make the speech\n");
        return 1;
    }

    const RunFigures espeak = listenInRealTime(speech);
    std::printf("espeak-ng speech: %.1f min played in real time, %d recognition tasks\n", minutes,
                espeak.tasks);
    std::printf("word end to display: median %.2f s, 95th percentile %.2f s (%lld words)\n",
                percentile(espeak.latencies, 0.5), percentile(espeak.latencies, 0.95),
                static_cast<long long>(espeak.latencies.size()));
    std::printf("longest stretch of speech with the display frozen: %.2f s\n",
                espeak.longestFrozen);
    std::printf("average CPU while listening: %.0f %% of one core\n", espeak.cpuShare * 100);
    std::printf("peak memory while listening: %.0f MB\n", espeak.peakMegabytes);
    std::fflush(stdout);
    printAccuracy("espeak-ng speech", said, espeak, speech);
    std::fflush(stdout);

    const auto [librivox, read] = librivoxWithPauses(folder.path());
    if (librivox.isEmpty()) {
        std::printf("LibriVox speech: skipped, pocketsphinx-testdata is not installed\n");
    } else {
        const RunFigures pauses = listenInRealTime(librivox);
        printAccuracy("LibriVox speech with 20 s pauses", read, pauses, librivox);
    }

    std::fclose(nowhere);
    return 0;
}
