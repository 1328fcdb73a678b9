// SPDX-License-Identifier: GPL-3.0-or-later
// What hearing the microphone and the computer's sound together costs, on a real sound server:
//   - the CPU of capturing both through two real engines and mixing them (MixedAudioEngine), with
//     a tap that does nothing, per minute of audio and as a share of one core, beside the CPU of
//     capturing the computer's sound alone and the microphone alone;
//   - the word error rate of LibriVox read speech that the computer plays while the microphone
//     hears silence, through the real recogniser and listening model: captured through the mix,
//     and through the computer's sound alone, as "Sound from this computer" hears it;
//   - from the end of a word of espeak-ng speech played by the computer to the display text that
//     shows it, through the mix.
// The computer's output is a null sink of its own, made the default for the run and removed after.
// Usage: scripts/desktop build/bench/voxlume-bench-mixed-capture [seconds of capture per CPU
//        figure, default 60] [tellings of the LibriVox clips, default 3; 0: the CPU figures alone]

#include "Base/Logging.h"
#include "Percentile.h"
#include "Platform/Audio/MixedAudioEngine.h"
#include "Platform/Audio/QtAudioEngine.h"
#include "RealTimeListening.h"
#include "SpokenWav.h"

#include <QTemporaryDir>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString outputSink = u"bench-speakers"_s;

QString pactl(const QStringList &arguments)
{
    QProcess process;
    process.start(u"pactl"_s, arguments);
    if (!process.waitForFinished(10'000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// The computer's output for the length of the bench: a sink apart from the microphone's, in the
// format most outputs have, made the default so that the computer's sound is its monitor.
class BenchOutput
{
public:
    BenchOutput()
        : m_module(pactl({u"load-module"_s, u"module-null-sink"_s, u"sink_name="_s + outputSink,
                          u"rate=48000"_s, u"channels=2"_s}))
    {
        m_ready = !m_module.isEmpty() &&
                  QProcess::execute(u"pactl"_s, {u"set-default-sink"_s, outputSink}) == 0;
    }
    ~BenchOutput()
    {
        if (!m_module.isEmpty())
            pactl({u"unload-module"_s, m_module});
    }
    BenchOutput(const BenchOutput &) = delete;
    BenchOutput &operator=(const BenchOutput &) = delete;

    bool isReady() const { return m_ready; }

private:
    QString m_module;
    bool m_ready = false;
};

std::unique_ptr<AudioEngine> computerSoundAlone()
{
    return std::make_unique<QtAudioEngine>(
        QtAudioEngine::Choice{[] { return AudioInputDevice::soundOfThisComputer; }, {}});
}

// Both inputs as the program mixes them: the default microphone, and the computer's sound, which
// never falls back to a microphone.
std::unique_ptr<AudioEngine> microphoneAndComputerSound()
{
    return std::make_unique<MixedAudioEngine>(
        std::make_unique<QtAudioEngine>(),
        std::make_unique<QtAudioEngine>(
            QtAudioEngine::Choice{[] { return AudioInputDevice::soundOfThisComputer; }, {}},
            QtAudioEngine::Fallback::None));
}

// Plays \a path to \a sink; \a finished is called on the main thread when it is over.
QProcess *play(const QString &path, const QString &sink, std::function<void()> finished = {})
{
    auto *player = new QProcess(qApp);
    QObject::connect(player, &QProcess::finished, player, [player, finished] {
        if (finished)
            finished();
        player->deleteLater();
    });
    player->start(u"paplay"_s, {u"-d"_s, sink, path});
    return player;
}

struct CaptureCost
{
    double cpuSeconds = 0;
    double audioSeconds = 0;
    double contextSwitches = 0;
};

// The process's context switches so far: each wake-up of a capture thread costs one or two.
double contextSwitches()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_nvcsw + usage.ru_nivcsw);
}

// Captures through \a engine for \a seconds into a tap that only counts, while the reading plays
// into both the microphone and the computer's output; the process's CPU over that time.
CaptureCost captureCost(std::unique_ptr<AudioEngine> engine, double seconds, const QString &reading)
{
    std::atomic<qint64> frames = 0;
    std::atomic<int> rate = 0;
    engine->installTap(1024, [&](const AudioBufferPtr &buffer) {
        frames += buffer->frameCount();
        rate = buffer->sampleRate();
    });
    if (const std::optional<Error> error = engine->start()) {
        std::fprintf(stderr, "capture did not start: %s\n",
                     qPrintable(error->localizedDescription()));
        return {};
    }
    QList<QProcess *> players{play(reading, qEnvironmentVariable("VOXLUME_DESKTOP_FEED")),
                              play(reading, outputSink)};
    // The first buffers, and the players' start, are not part of the steady cost.
    QTimer::singleShot(1000, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    const double cpuBefore = cpuSeconds();
    const double switchesBefore = contextSwitches();
    const qint64 framesBefore = frames;
    QTimer::singleShot(int(seconds * 1000), qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    CaptureCost cost{cpuSeconds() - cpuBefore, 0, contextSwitches() - switchesBefore};
    const qint64 framesDuring = frames - framesBefore;
    engine->stop();
    engine->removeTap();
    if (rate > 0)
        cost.audioSeconds = double(framesDuring) / rate;
    for (QProcess *player : players) {
        if (player && player->state() != QProcess::NotRunning) {
            player->kill();
            player->waitForFinished(1000);
        }
    }
    return cost;
}

// One way of capturing.
struct Capture
{
    const char *what;
    std::function<std::unique_ptr<AudioEngine>()> make;
};

// Measures each capture in rounds taken in turn with the others, so that a spell of other load on
// the machine does not fall on one of them alone.
void measureCaptures(const QList<Capture> &captures, double seconds, const QString &reading)
{
    constexpr int rounds = 3;
    struct Figures
    {
        QList<double> cpuShares;
        QList<double> switchRates;
        double audioSeconds = 0;
    };
    QList<Figures> figures(captures.size());
    for (int round = 0; round < rounds; ++round) {
        for (qsizetype i = 0; i < captures.size(); ++i) {
            const CaptureCost cost = captureCost(captures[i].make(), seconds / rounds, reading);
            if (cost.audioSeconds <= 0)
                continue;
            figures[i].cpuShares << cost.cpuSeconds / cost.audioSeconds;
            figures[i].switchRates << cost.contextSwitches / cost.audioSeconds;
            figures[i].audioSeconds += cost.audioSeconds;
        }
    }
    for (qsizetype i = 0; i < captures.size(); ++i) {
        const Figures &measured = figures[i];
        if (measured.cpuShares.isEmpty()) {
            std::printf("%s: nothing was captured\n", captures[i].what);
            continue;
        }
        const double share = percentile(measured.cpuShares, 0.5);
        std::printf("%s: %.2f s CPU per minute of audio, %.2f %% of one core (median of %lld "
                    "rounds, from %.2f %% to %.2f %%; %.0f s captured), %.0f context switches a "
                    "second\n",
                    captures[i].what, share * 60, share * 100,
                    static_cast<long long>(measured.cpuShares.size()),
                    percentile(measured.cpuShares, 0) * 100,
                    percentile(measured.cpuShares, 1) * 100, measured.audioSeconds,
                    percentile(measured.switchRates, 0.5));
    }
    std::fflush(stdout);
}

// Listens to \a path played by the computer, through \a engine, as the program does.
RunFigures listenToComputer(std::unique_ptr<AudioEngine> engine, const QString &path)
{
    return listenInRealTime(std::move(engine), [path](const std::function<void()> &over) {
        play(path, outputSink, over);
    });
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const double seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toDouble() : 60.0;
    const int tellings = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 3;
    if (qEnvironmentVariableIsEmpty("VOXLUME_DESKTOP_FEED")) {
        std::fprintf(stderr, "run this on the desktop of scripts/desktop, whose sound server it "
                             "plays to\n");
        return 2;
    }
    FILE *nowhere = std::fopen("/dev/null", "w");
    Logging::shared().setEchoStream(nowhere);
    const BenchOutput output;
    QTemporaryDir folder;
    // Short pauses between the clips keep the run short; speech stays most of the audio.
    const auto [librivox, read] = librivoxWithPauses(folder.path(), 3, std::max(tellings, 1));
    if (!output.isReady() || librivox.isEmpty()) {
        std::fprintf(stderr, "the bench's output or the LibriVox speech could not be made\n");
        return 1;
    }

    // The reading played over and over, longer than any capture here.
    const QString reading = folder.filePath(u"reading.wav"_s);
    QProcess::execute(u"sox"_s,
                      {librivox, reading, u"repeat"_s, QString::number(int(seconds / 30) + 1)});
    const QList<Capture> captures{
        {"capture and mix of the microphone and the computer's sound", microphoneAndComputerSound},
        {"capture of the computer's sound alone", computerSoundAlone},
        {"capture of the microphone alone", [] { return std::make_unique<QtAudioEngine>(); }},
    };
    measureCaptures(captures, seconds, reading);
    if (tellings < 1)
        return 0;

    const RunFigures alone = listenToComputer(computerSoundAlone(), librivox);
    const RunFigures mixed = listenToComputer(microphoneAndComputerSound(), librivox);
    const double aloneRate = wordErrorRate(read, alone.transcript) * 100;
    const double mixedRate = wordErrorRate(read, mixed.transcript) * 100;
    std::printf("LibriVox speech played by the computer (%lld words), word error rate: %.1f %% "
                "through the computer's sound alone, %.1f %% through the mix with a silent "
                "microphone (%+.1f points)\n",
                static_cast<long long>(wordsOf(read).size()), aloneRate, mixedRate,
                mixedRate - aloneRate);
    std::fflush(stdout);

    const QString speech = writeSpokenWav(folder.path(), u"speech"_s, spokenStory().join(u' '));
    if (speech.isEmpty()) {
        std::fprintf(stderr, "espeak-ng and sox could not make the speech\n");
        return 1;
    }
    const RunFigures espeak = listenToComputer(microphoneAndComputerSound(), speech);
    std::printf("espeak-ng speech played by the computer, through the mix: word end to display "
                "median %.2f s, 95th percentile %.2f s (%lld words)\n",
                percentile(espeak.latencies, 0.5), percentile(espeak.latencies, 0.95),
                static_cast<long long>(espeak.latencies.size()));
    std::fclose(nowhere);
    return 0;
}
