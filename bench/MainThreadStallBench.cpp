// SPDX-License-Identifier: GPL-3.0-or-later
// How long the main thread stops answering while a subtitle overlay is opened, hears a sentence
// and is closed, with the real recogniser, microphone and translation, as the subtitle window uses
// them:
//   - every gap between two ticks of a 1 ms timer on the main thread, from the overlay's creation
//     until 300 ms after its destruction: the longest, and the 95th percentile;
//   - how long the calls that open and close the overlay take, and the time from startSubtitles()
//     to listening.
// The first round checks and loads the speech model; later rounds find it checked. The microphone
// is a virtual one of a private PulseAudio server, fed with espeak-ng speech. With
// apertium-eng-spa installed, every round also runs en-US -> es-ES, which starts the translator. A
// last round tries to start with a sound server that takes the connection and never answers.
// Usage: voxlume-bench-stall [rounds, default 5]

#include "Base/Logging.h"
#include "Models/DisplayTextTranslator.h"
#include "Models/SubtitleOverlayWindowModel.h"
#include "Percentile.h"
#include "PrivateSoundServer.h"
#include "ProgramServices.h"
#include "SpokenWav.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <qcoro/qcorotimer.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

constexpr qint64 listeningLimitMs = 30'000;

double longest(const QList<double> &values)
{
    return values.isEmpty() ? qQNaN() : *std::max_element(values.begin(), values.end());
}

double milliseconds(const QElapsedTimer &clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

qint64 threadCpuNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// The gaps between two ticks, in milliseconds, and how much of each the main thread spent on the
// processor: a long gap with little of it is a thread that waited, or that another took the
// processor from.
struct Gaps
{
    QList<double> wall;
    QList<double> busy;

    void append(const Gaps &other)
    {
        wall.append(other.wall);
        busy.append(other.busy);
    }
    /// The longest gap, and the main thread's time on the processor in it.
    std::pair<double, double> longest() const
    {
        if (wall.isEmpty())
            return {qQNaN(), qQNaN()};
        const qsizetype at = std::max_element(wall.begin(), wall.end()) - wall.begin();
        return {wall.at(at), busy.at(at)};
    }
};

// Notes the gaps between the ticks of a 1 ms timer: a tick that comes late is a turn of the main
// loop that something held up.
class StallWatch : public QObject
{
public:
    StallWatch()
    {
        m_clock.start();
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        connect(&m_timer, &QTimer::timeout, this, [this] { tick(); });
        m_timer.start();
    }

    void begin()
    {
        m_gaps = {};
        m_last = m_clock.nsecsElapsed();
        m_lastCpu = threadCpuNanoseconds();
        m_recording = true;
    }

    /// The gaps since begin().
    Gaps end()
    {
        m_recording = false;
        return m_gaps;
    }

private:
    void tick()
    {
        const qint64 now = m_clock.nsecsElapsed();
        const qint64 cpu = threadCpuNanoseconds();
        if (m_recording) {
            m_gaps.wall.append(double(now - m_last) / 1e6);
            m_gaps.busy.append(double(cpu - m_lastCpu) / 1e6);
        }
        m_last = now;
        m_lastCpu = cpu;
    }

    QElapsedTimer m_clock;
    QTimer m_timer;
    qint64 m_last = 0;
    qint64 m_lastCpu = 0;
    bool m_recording = false;
    Gaps m_gaps;
};

// A socket that takes connections and never answers them, as a sound server that hangs would.
class SilentServer
{
public:
    explicit SilentServer(const QString &path)
        : m_path(path.toLocal8Bit())
        , m_socket(::socket(AF_UNIX, SOCK_STREAM, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", m_path.constData());
        m_listening =
            m_socket >= 0 &&
            ::bind(m_socket, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
            ::listen(m_socket, 16) == 0;
    }
    ~SilentServer()
    {
        if (m_socket >= 0)
            ::close(m_socket);
        ::unlink(m_path.constData());
    }
    SilentServer(const SilentServer &) = delete;
    SilentServer &operator=(const SilentServer &) = delete;

    bool isListening() const { return m_listening; }
    QByteArray address() const { return "unix:" + m_path; }

private:
    const QByteArray m_path;
    const int m_socket;
    bool m_listening = false;
};

struct Round
{
    QString pair;
    bool listened = false;
    QString error;
    qsizetype heardCharacters = 0;
    double openCall = 0;
    double toListening = 0;
    double closeCall = 0;
    Gaps gaps;
};

class StallBench
{
public:
    StallBench(PrivateSoundServer &server, QString speech)
        : m_server(server)
        , m_speech(std::move(speech))
    {}

    QCoro::Task<> run(int rounds, QList<Language> targets)
    {
        std::printf("round  pair              open ms  listen ms  close ms  longest gap ms "
                    "(on CPU)  p95 gap ms  heard\n");
        Gaps firstGaps;
        Gaps laterGaps;
        QList<double> toListening;
        for (int number = 1; number <= rounds; ++number) {
            for (const Language &target : targets) {
                co_await QCoro::sleepFor(300ms);
                const Round round = co_await runRound(target);
                print(number, round);
                (number == 1 ? firstGaps : laterGaps).append(round.gaps);
                if (number > 1 && round.listened)
                    toListening.append(round.toListening);
            }
        }
        // Qt keeps the server of its first use; the engine asks the one PULSE_SERVER names first.
        const QByteArray server = qgetenv("PULSE_SERVER");
        const SilentServer silent(m_speech + u".socket"_s);
        Gaps silentGaps;
        if (silent.isListening()) {
            qputenv("PULSE_SERVER", silent.address());
            const Round round = co_await runRound(targets.first(), false);
            print(rounds + 1, round);
            std::printf("       (the sound server does not answer)\n");
            silentGaps = round.gaps;
            qputenv("PULSE_SERVER", server);
        }
        std::printf("\n");
        summarise("first round:", firstGaps);
        summarise("later rounds:", laterGaps);
        summarise("silent server:", silentGaps);
        Gaps all = firstGaps;
        all.append(laterGaps);
        all.append(silentGaps);
        summarise("all rounds:", all);
        if (!toListening.isEmpty()) {
            std::printf("start to listening in later rounds: median %.1f ms, longest %.1f ms\n",
                        percentile(toListening, 0.5), longest(toListening));
        }
    }

private:
    // One overlay, from its creation to 300 ms after its destruction.
    QCoro::Task<Round> runRound(Language target, bool speaks = true)
    {
        const Language english(u"en"_s, {}, u"US"_s);
        Round round;
        round.pair = english.rawValue() + u" -> "_s + target.rawValue();
        m_watch.begin();
        QElapsedTimer clock;
        clock.start();
        auto overlay = std::make_unique<SubtitleOverlayWindowModel>(m_services);
        // As the subtitle window hosts it: without a translation hook a pair never becomes ready.
        auto translator = std::make_unique<DisplayTextTranslator>(*overlay);
        ListeningModel *listening = overlay->listeningModel();
        QObject::connect(listening, &ListeningModel::listeningChanged, listening, [&] {
            if (listening->isListening() && !round.listened) {
                round.listened = true;
                round.toListening = milliseconds(clock);
            }
        });
        overlay->setSourceLanguage(english);
        overlay->setTargetLanguage(target);
        overlay->startSubtitles();
        round.openCall = milliseconds(clock);

        while (!round.listened && !listening->errorMessage() && clock.elapsed() < listeningLimitMs)
            co_await QCoro::sleepFor(5ms);
        round.error = listening->errorMessage().value_or(QString());
        if (speaks)
            co_await speak();
        round.heardCharacters =
            listening->fullTranscript().size() + listening->sourceText().value_or(QString()).size();

        QElapsedTimer closing;
        closing.start();
        listening->stopListening();
        translator.reset();
        overlay.reset();
        round.closeCall = milliseconds(closing);
        co_await QCoro::sleepFor(300ms);
        round.gaps = m_watch.end();
        co_return round;
    }

    // Plays the speech into the microphone from a thread of its own, and waits a little longer
    // for the recogniser to catch up.
    QCoro::Task<> speak()
    {
        auto done = std::make_shared<std::atomic<bool>>(false);
        std::thread player([this, done] {
            m_server.run(u"paplay"_s, {u"--device"_s, u"feed"_s, m_speech});
            *done = true;
        });
        while (!*done)
            co_await QCoro::sleepFor(20ms);
        player.join();
        co_await QCoro::sleepFor(1000ms);
    }

    static void print(int number, const Round &round)
    {
        const auto [longestGap, onCpu] = round.gaps.longest();
        std::printf("%5d  %-16s %8.1f %10.1f %9.1f %15.1f %8.1f %11.2f %6lld%s\n", number,
                    qPrintable(round.pair), round.openCall,
                    round.listened ? round.toListening : qQNaN(), round.closeCall, longestGap,
                    onCpu, percentile(round.gaps.wall, 0.95),
                    static_cast<long long>(round.heardCharacters),
                    round.error.isEmpty() ? "" : qPrintable(u"  error: "_s + round.error));
    }

    static void summarise(const char *what, const Gaps &gaps)
    {
        if (gaps.wall.isEmpty())
            return;
        const auto [longestGap, onCpu] = gaps.longest();
        std::printf("%-14s longest stall %6.1f ms (%.1f ms of it on the CPU), most work in one "
                    "turn %5.1f ms, 95th percentile of gaps %4.2f ms (%lld gaps)\n",
                    what, longestGap, onCpu, longest(gaps.busy), percentile(gaps.wall, 0.95),
                    static_cast<long long>(gaps.wall.size()));
    }

    PrivateSoundServer &m_server;
    const QString m_speech;
    // Made after the application, as the program makes them; shared by the rounds, as its runs do.
    const AppServices m_services = programServices();
    StallWatch m_watch;
};

} // namespace

int main(int argc, char *argv[])
{
    // Settings, transcripts and models of a folder of the benchmark's own, not the user's.
    QTemporaryDir home;
    for (const char *variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        qputenv(variable, home.path().toLocal8Bit() + '/' + variable);

    // Qt binds to the sound server of its first use, so the server comes first.
    PrivateSoundServer server;
    if (!server.start() ||
        !server.loadMicrophone(
            u"virtmic"_s, u"feed"_s,
            {u"format=s16le"_s, u"rate=16000"_s, u"channels=1"_s, u"norewinds=1"_s}) ||
        !server.run(u"pactl"_s, {u"set-default-source"_s, u"virtmic"_s})) {
        std::fprintf(stderr, "the private PulseAudio server did not start\n");
        return 1;
    }
    qputenv("PULSE_SERVER", server.address().toLocal8Bit());

    QCoreApplication application(argc, argv);
    const int rounds = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 5;
    FILE *nowhere = std::fopen("/dev/null", "w");
    Logging::shared().setEchoStream(nowhere);

    const QString speech = writeSpokenWav(home.path(), u"speech"_s, spokenStory().first());
    if (speech.isEmpty()) {
        std::fprintf(stderr, "espeak-ng and sox could not make the speech\n");
        return 1;
    }
    QList<Language> targets{Language(u"en"_s, {}, u"US"_s)};
    if (QFileInfo::exists(u"/usr/share/apertium/modes/eng-spa.mode"_s))
        targets.append(Language(u"es"_s, {}, u"ES"_s));
    else
        std::printf("apertium-eng-spa is not installed: en-US -> es-ES is left out\n");

    StallBench bench(server, speech);
    QTimer::singleShot(0, &application, [&] {
        [](StallBench &bench, int rounds, QList<Language> targets) -> QCoro::Task<> {
            co_await bench.run(rounds, std::move(targets));
            QCoreApplication::quit();
        }(bench, rounds, targets);
    });
    return QCoreApplication::exec();
}
