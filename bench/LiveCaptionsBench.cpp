// SPDX-License-Identifier: GPL-3.0-or-later
// What it costs the program that other programs follow its live subtitles:
//   - the signals of the session-bus interface per second of speech: TextChanged and CueFinished as
//     another connection on a private bus receives them, while a subtitle window runs on the real
//     recogniser hearing espeak-ng speech in real time; without translation and, with
//     apertium-eng-spa installed, into Spanish;
//   - the main thread's time for one of them, replayed with the runs' own texts: median and 95th
//     percentile, with a listener on the bus and with none, and so the main thread's time per
//     second of speech;
//   - the live caption file: the main thread's time per display change (LiveCaptionFile::show())
//     and the time until the file has been replaced (on a pool thread, fsync included), median and
//     99th percentile, in memory (/dev/shm) and on disk (the temporary folder).
// Usage: voxlume-bench-live-captions [sentences of speech, default 13, the whole story]

#include "Base/Logging.h"
#include "CaptionsInterface.h"
#include "Models/LiveCaptionFile.h"
#include "Models/SubtitleOverlayWindowModel.h"
#include "Percentile.h"
#include "Platform/Audio/ManualAudioEngine.h"
#include "Platform/Audio/WavFile.h"
#include "Platform/Audio/WavFileAudioEngine.h"
#include "Platform/Settings/SettingsStore.h"
#include "Platform/Speech/PocketSphinx/PocketSphinxSpeechService.h"
#include "Platform/Speech/Scripted/ScriptedSpeechService.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Translation/Apertium/ApertiumTranslationService.h"
#include "PrivateBus.h"
#include "SingleInstance.h"
#include "SpokenWav.h"
#include "Views/AppMenuModel.h"
#include "Views/SubtitleOverlayWindow.h"
#include "Views/SubtitleWindow.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTest>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

// A cue holds at most two lines of 42 characters.
constexpr double cueCharacters = double(CaptionCue::maxLines * CaptionCue::maxLineLength);

using Shown = std::pair<QString, QString>;

struct Run
{
    QString pair;
    double audioSeconds = 0;
    qsizetype textChanged = 0;
    qsizetype cueFinished = 0;
    qsizetype characters = 0;
    QList<Shown> shown;
};

struct Spread
{
    double median = 0;
    double high = 0;
};

Spread spread(const QList<double> &values, double highShare)
{
    return {percentile(values, 0.5), percentile(values, highShare)};
}

double microseconds(const QElapsedTimer &clock)
{
    return double(clock.nsecsElapsed()) / 1e3;
}

// Runs the main loop until \a done, for at most \a milliseconds; says so when it gave up.
template <typename Done>
void waitFor(Done done, int milliseconds, const char *what)
{
    if (!QTest::qWaitFor(done, milliseconds))
        std::fprintf(stderr, "gave up waiting for %s\n", what);
}

} // namespace

/// Another program on the bus: counts the interface's signals it receives.
class Listener : public QObject
{
    Q_OBJECT

public:
    explicit Listener(QDBusConnection bus)
        : m_bus(std::move(bus))
    {}

    /// Asks the bus for the interface's signals, or stops asking.
    bool listen(bool on)
    {
        bool done = true;
        for (const QString &member : {u"TextChanged"_s, u"CueFinished"_s}) {
            done =
                done &&
                (on ? m_bus.connect(SingleInstance::serviceName(), SingleInstance::objectPath(),
                                    CaptionsInterface::interfaceName(), member, this,
                                    SLOT(receive(QDBusMessage)))
                    : m_bus.disconnect(SingleInstance::serviceName(), SingleInstance::objectPath(),
                                       CaptionsInterface::interfaceName(), member, this,
                                       SLOT(receive(QDBusMessage))));
        }
        return done;
    }

    qsizetype textChanged = 0;
    qsizetype cueFinished = 0;

public Q_SLOTS:
    void receive(const QDBusMessage &message)
    {
        ++(message.member() == u"TextChanged"_s ? textChanged : cueFinished);
    }

private:
    QDBusConnection m_bus;
};

namespace {

class Bench
{
public:
    Bench(ModelContainer &store, QString speech, Listener &listener, SingleInstance &instance)
        : m_store(store)
        , m_speech(std::move(speech))
        , m_listener(listener)
        , m_menu([this] { return makeRun(); })
    {
        new CaptionsInterface(instance, m_menu);
        QObject::connect(&m_menu, &AppMenuModel::isListeningChanged, &m_menu, [this] {
            if (SubtitleOverlayWindow *view = content())
                QObject::connect(view, &SubtitleOverlayWindow::displayChanged, view,
                                 [this](const QString &text, const QString &translation) {
                                     m_run.shown.append({text, translation});
                                 });
        });
    }

    /// A run of the whole speech into \a to, in real time.
    Run listen(const QString &to)
    {
        SettingsStore::shared().setString(u"selectedToLanguage"_s, to);
        m_run = {};
        m_run.pair = u"en-US -> "_s + to;
        m_replaying = false;
        m_audioEnded = false;
        const std::variant<WavFile, Error> file = WavFile::open(m_speech);
        const WavFile &wav = std::get<WavFile>(file);
        m_run.audioSeconds = double(wav.frameCount()) / wav.sampleRate();
        m_listener.textChanged = m_listener.cueFinished = 0;

        m_menu.startLiveSubtitles();
        const QPointer<SubtitleOverlayWindow> view = content();
        waitFor([this] { return m_audioEnded; }, int(m_run.audioSeconds * 1000) + 120'000,
                "the end of the speech");
        // Recognition catches up with the end of the audio.
        QTest::qWait(3000);
        m_menu.subtitleWindow()->performClose();
        if (view)
            m_run.characters = view->model().listeningModel()->fullTranscript().size();
        waitFor([&view] { return !view; }, 10'000, "the window to go");
        QTest::qWait(500);
        m_run.textChanged = m_listener.textChanged;
        m_run.cueFinished = m_listener.cueFinished;
        return m_run;
    }

    /// The main thread's time of each TextChanged for \a shown and of each CueFinished of
    /// \a cues, in microseconds, sent by a window that hears nothing else.
    std::pair<QList<double>, QList<double>> emissionTimes(const QList<Shown> &shown,
                                                          const QList<CaptionCue> &cues)
    {
        m_replaying = true;
        m_menu.startLiveSubtitles();
        SubtitleOverlayWindow *view = content();
        QList<double> texts;
        QList<double> cueTimes;
        for (int round = 0; round < 5; ++round) {
            for (const Shown &pair : shown) {
                QElapsedTimer clock;
                clock.start();
                Q_EMIT view->displayChanged(pair.first, pair.second);
                texts.append(microseconds(clock));
                // What the bus's thread does with it is not the main thread's time.
                QCoreApplication::processEvents();
            }
            for (const CaptionCue &cue : cues) {
                QElapsedTimer clock;
                clock.start();
                Q_EMIT view->model().cueFinished(cue);
                cueTimes.append(microseconds(clock));
                QCoreApplication::processEvents();
            }
        }
        const QPointer<SubtitleOverlayWindow> gone = view;
        m_menu.subtitleWindow()->performClose();
        waitFor([&gone] { return !gone; }, 10'000, "the window to go");
        return {texts, cueTimes};
    }

private:
    SubtitleOverlayWindow *content() const
    {
        const SubtitleWindow *window = m_menu.subtitleWindow();
        return window ? qobject_cast<SubtitleOverlayWindow *>(window->contentView()) : nullptr;
    }

    std::unique_ptr<SubtitleOverlayWindowModel> makeRun()
    {
        if (m_replaying)
            return std::make_unique<SubtitleOverlayWindowModel>(
                std::make_shared<ScriptedSpeechService>(), std::make_unique<ManualAudioEngine>(),
                m_translation, m_store);
        auto audio = std::make_unique<WavFileAudioEngine>(m_speech);
        audio->setEndOfInputHandler([this] { m_audioEnded = true; });
        return std::make_unique<SubtitleOverlayWindowModel>(m_recogniser, std::move(audio),
                                                            m_translation, m_store);
    }

    ModelContainer &m_store;
    const QString m_speech;
    Listener &m_listener;
    const std::shared_ptr<SpeechService> m_recogniser =
        std::make_shared<PocketSphinxSpeechService>();
    const std::shared_ptr<TranslationService> m_translation =
        std::make_shared<ApertiumTranslationService>();
    AppMenuModel m_menu;
    Run m_run;
    bool m_replaying = false;
    bool m_audioEnded = false;
};

// The runs' final texts cut into cues as full as a cue can be, one after another in time.
QList<CaptionCue> cuesOf(const QList<Run> &runs)
{
    QList<CaptionCue> cues;
    double start = 0;
    for (const Run &run : runs) {
        for (const Shown &pair : run.shown) {
            if (pair.first.size() < cueCharacters / 2)
                continue;
            cues.append({start, start + 4, pair.first.left(qsizetype(cueCharacters)),
                         pair.second.isEmpty() ? std::nullopt : std::optional(pair.second)});
            start += 4;
        }
    }
    return cues;
}

void printLiveFile(const QString &where, const QString &folder, const QList<Shown> &shown)
{
    LiveCaptionFile file;
    file.setPath(folder + u"/live-captions.txt"_s);
    waitFor([&file] { return !file.isBusy(); }, 10'000, "the live file");
    QElapsedTimer clock;
    QList<double> calls;
    QList<double> replaced;
    QEventLoop loop;
    // Taken as the write's end reaches the main thread, not when a poll would notice it.
    QObject::connect(&file, &LiveCaptionFile::writeEnded, &loop, [&] {
        replaced.append(microseconds(clock));
        loop.quit();
    });
    for (const Shown &pair : shown) {
        clock.start();
        file.show(pair.first, pair.second);
        calls.append(microseconds(clock));
        if (file.isBusy())
            loop.exec();
    }
    const Spread call = spread(calls, 0.99);
    const Spread write = spread(replaced, 0.99);
    std::printf("live file %-26s %4lld changes: main thread median %5.1f us, p99 %6.1f us; "
                "replaced after median %6.2f ms, p99 %6.2f ms%s\n",
                qUtf8Printable(where), qlonglong(calls.size()), call.median, call.high,
                write.median / 1e3, write.high / 1e3, file.problem() ? "  (writes failed)" : "");
}

} // namespace

int main(int argc, char *argv[])
{
    // Settings, transcripts and the bus of the benchmark's own, not the user's.
    QTemporaryDir home;
    for (const char *variable :
         {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"})
        qputenv(variable, home.path().toLocal8Bit() + '/' + variable);
    const QString runtime = home.path() + u"/XDG_RUNTIME_DIR"_s;
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    PrivateBus bus;
    if (!bus.start()) {
        std::fprintf(stderr, "dbus-daemon did not start\n");
        return 1;
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8());

    QApplication application(argc, argv);
    FILE *nowhere = std::fopen("/dev/null", "w");
    Logging::shared().setEchoStream(nowhere);
    const qsizetype sentences = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 0;
    const QStringList story = sentences > 0 ? spokenStory().mid(0, sentences) : spokenStory();
    const QString speech = writeSpokenWav(home.path(), u"speech"_s, story.join(u' '));
    if (speech.isEmpty()) {
        std::fprintf(stderr, "espeak-ng and sox could not make the speech\n");
        return 1;
    }

    SingleInstance instance;
    if (instance.claim(SingleInstance::Request::Activate) != SingleInstance::Claim::First) {
        std::fprintf(stderr, "the private bus refused the program's name: %s\n",
                     qUtf8Printable(instance.error()));
        return 1;
    }
    Listener listener(QDBusConnection::connectToBus(bus.address(), u"listener"_s));
    listener.listen(true);
    const std::unique_ptr<ModelContainer> store = ModelContainer::inMemory();
    SettingsStore::shared().setString(u"selectedFromLanguage"_s, u"en-US"_s);
    Bench bench(*store, speech, listener, instance);

    QStringList targets{u"en-US"_s};
    if (QFileInfo::exists(u"/usr/share/apertium/modes/eng-spa.mode"_s))
        targets.append(u"es-ES"_s);
    else
        std::printf("apertium-eng-spa is not installed: en-US -> es-ES is left out\n");

    QList<Run> runs;
    QList<Shown> allShown;
    for (const QString &target : targets) {
        const Run run = bench.listen(target);
        runs.append(run);
        allShown.append(run.shown);
        std::printf("%-16s %5.1f s of speech: %4lld TextChanged (%4.2f/s), %3lld CueFinished "
                    "(%4.2f/s), %lld characters heard (a cue each %.0f: at least %4.2f cues/s)\n",
                    qUtf8Printable(run.pair), run.audioSeconds, qlonglong(run.textChanged),
                    double(run.textChanged) / run.audioSeconds, qlonglong(run.cueFinished),
                    double(run.cueFinished) / run.audioSeconds, qlonglong(run.characters),
                    cueCharacters, double(run.characters) / cueCharacters / run.audioSeconds);
    }

    const QList<CaptionCue> cues = cuesOf(runs);
    for (const bool listening : {true, false}) {
        listener.listen(listening);
        const auto [texts, cueTimes] = bench.emissionTimes(allShown, cues);
        const Spread text = spread(texts, 0.95);
        const Spread cue = spread(cueTimes, 0.95);
        std::printf("%-16s TextChanged median %5.1f us, p95 %5.1f us (%lld); CueFinished median "
                    "%5.1f us, p95 %5.1f us (%lld)\n",
                    listening ? "with a listener" : "with none", text.median, text.high,
                    qlonglong(texts.size()), cue.median, cue.high, qlonglong(cueTimes.size()));
        for (const Run &run : runs) {
            const double textRate = double(run.textChanged) / run.audioSeconds;
            const double cueRate =
                std::max(double(run.cueFinished) / run.audioSeconds,
                         double(run.characters) / cueCharacters / run.audioSeconds);
            std::printf("  %-14s main thread per second of speech: median %5.1f us, p95 %5.1f "
                        "us\n",
                        qUtf8Printable(run.pair), textRate * text.median + cueRate * cue.median,
                        textRate * text.high + cueRate * cue.high);
        }
    }

    const QTemporaryDir memory(u"/dev/shm/voxlume-bench-XXXXXX"_s);
    const QTemporaryDir disk;
    printLiveFile(u"in memory (/dev/shm)"_s, memory.path(), allShown);
    printLiveFile(u"on disk (%1)"_s.arg(QDir::tempPath()), disk.path(), allShown);
    return 0;
}

#include "LiveCaptionsBench.moc"
