// SPDX-License-Identifier: GPL-3.0-or-later
// What the benches that listen in real time share: the real recogniser and listening model fed
// by any engine, the time each word took to show, and read speech to judge the transcript by.
#pragma once

#include "Models/ListeningModel.h"
#include "Platform/Audio/WavFile.h"
#include "Platform/Speech/PocketSphinx/PocketSphinxSpeechService.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTimer>
#include <functional>
#include <mutex>
#include <sys/resource.h>

inline const QString librivoxFolder = QStringLiteral("/usr/share/pocketsphinx/test/data/librivox/");
/// How long listening goes on after the audio is over, for the last words to be recognised.
constexpr double tailSeconds = 3.0;

inline double cpuSeconds()
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

inline std::vector<AudioBufferPtr> readBuffers(const QString &path)
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
inline QList<std::pair<double, double>> speechStretches(const std::vector<AudioBufferPtr> &buffers)
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

struct RunFigures
{
    QList<double> latencies;
    double longestFrozen = 0;
    double cpuShare = 0;
    double peakMegabytes = 0;
    int tasks = 0;
    QString transcript;
};

/// Listens through the real recogniser and listening model to what \a source captures, as the
/// program does. Once the first audio is captured, \a whenCapturing is called with a function to
/// call when the audio is over (a source with an end of input calls it by itself); listening
/// stops tailSeconds later. When \a timeline names the file whose audio the capture is from its
/// first sample on, the longest stretch of its speech with the display frozen is measured too.
inline RunFigures
listenInRealTime(std::unique_ptr<AudioEngine> source,
                 const std::function<void(const std::function<void()> &over)> &whenCapturing = {},
                 const QString &timeline = {})
{
    using namespace Qt::Literals::StringLiterals;
    RunFigures figures;
    QElapsedTimer clock;
    clock.start();
    const auto now = [&clock] { return double(clock.nsecsElapsed()) / 1e9; };
    auto engine = std::make_unique<CaptureClock>(std::move(source), clock);
    CaptureClock &capture = *engine;
    const std::function<void()> over = [] {
        QTimer::singleShot(int(tailSeconds * 1000), qApp, &QCoreApplication::quit);
    };
    capture.setEndOfInputHandler(over);
    QTimer capturing;
    if (whenCapturing) {
        QObject::connect(&capturing, &QTimer::timeout, [&] {
            if (capture.capturedSeconds() <= 0)
                return;
            capturing.stop();
            whenCapturing(over);
        });
        capturing.start(20);
    }
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
    if (timeline.isEmpty())
        return figures;
    for (const auto &[from, to] : speechStretches(readBuffers(timeline))) {
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

/// The LibriVox clips of pocketsphinx-testdata told \a tellings times into \a folder, each clip
/// followed by \a pauseSeconds of low noise, and what is said in them; nothing when sox failed or
/// the clips are not installed.
inline std::pair<QString, QString> librivoxWithPauses(const QDir &folder, double pauseSeconds = 20,
                                                      int tellings = 1)
{
    using namespace Qt::Literals::StringLiterals;
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
    const QStringList telling = parts;
    const QString text = said.join(u' ');
    for (int more = 1; more < tellings; ++more) {
        parts << telling;
        said << text;
    }
    const bool made =
        QProcess::execute(u"sox"_s, {u"-R"_s, u"-n"_s, u"-r"_s, u"16000"_s, u"-c"_s, u"1"_s, pause,
                                     u"synth"_s, QString::number(pauseSeconds), u"whitenoise"_s,
                                     u"vol"_s, u"0.001"_s}) == 0 &&
        QProcess::execute(u"sox"_s, parts << path) == 0;
    return made ? std::pair(path, said.join(u' ')) : std::pair<QString, QString>();
}
