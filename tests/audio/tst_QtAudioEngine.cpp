// SPDX-License-Identifier: GPL-3.0-or-later
#include "Platform/Audio/QtAudioEngine.h"
#include "Platform/Audio/SoundServerProbe.h"
#include "Platform/Settings/SettingsKeys.h"
#include "PrivateSoundServer.h"
#include "ProgramServices.h"
#include "TapRecorder.h"
#include "TestMain.h"

#include <cmath>

using namespace Qt::Literals::StringLiterals;

/// Captures from virtual microphones of a private PulseAudio server, fed from a WAV file.
///
/// The server starts in initTestCase(), before anything in the process asks Qt Multimedia for
/// devices: Qt binds to the server that runs at its first use, for good. The tests that need
/// another first server, or none, run the engine in a process of their own.
class TestQtAudioEngine : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_directory;
    PrivateSoundServer m_server;

    /// How many clients record from the server now; the microphones' own streams are not counted.
    int recordingStreams()
    {
        const QByteArray streams =
            m_server.run(u"pactl"_s, {u"list"_s, u"short"_s, u"source-outputs"_s}).value_or("?");
        return int(streams.count("protocol-native"));
    }

    static bool lists(const QString &deviceId)
    {
        const QList<AudioInputDevice> devices = QtAudioEngine::inputDevices();
        return std::any_of(devices.begin(), devices.end(),
                           [&](const AudioInputDevice &device) { return device.id == deviceId; });
    }

    static std::optional<QString> moduleIndex(const std::optional<QByteArray> &output)
    {
        return output ? std::optional(QString::fromLatin1(output->trimmed())) : std::nullopt;
    }

    static bool hasSound(const std::vector<float> &samples)
    {
        return std::any_of(samples.begin(), samples.end(),
                           [](float s) { return std::abs(s) > 0.1f; });
    }

    /// Plays speech into the sink \a sink, and waits until it has been played.
    void speak(const QString &sink)
    {
        const QString speech = m_directory.filePath(u"speech.wav"_s);
        if (!QFileInfo::exists(speech))
            QProcess::execute(u"espeak-ng"_s, {u"-w"_s, speech, u"One two three."_s});
        QVERIFY(m_server.run(u"paplay"_s, {u"--device"_s, sink, speech}));
    }

    /// An engine that captures the device \a deviceId into a recorder and keeps its failures and
    /// notices.
    struct Capture
    {
        explicit Capture(const QString &deviceId)
        {
            Setting(SettingsKeys::selectedInputDevice).setValue(deviceId);
            listen();
        }
        /// Captures \a deviceId alone, without the settings, falling back as \a fallback says.
        Capture(const QString &deviceId, QtAudioEngine::Fallback fallback)
            : chosenInput(std::make_unique<QtAudioEngine>(
                  QtAudioEngine::Choice{[deviceId] { return deviceId; }, {}}, fallback))
        {
            listen();
        }
        void listen()
        {
            engine.installTap(1024, recorder.tap());
            engine.setFailureHandler([this](const Error &error) { failures << error; });
            engine.setNoticeHandler([this](const QString &notice) { notices << notice; });
        }
        /// True once audio arrives.
        bool start()
        {
            return !engine.start() && QTest::qWaitFor([&] { return !recorder.buffers().empty(); });
        }
        /// True once \a count more blocks have arrived.
        bool receivesMore(std::size_t count = 3) const
        {
            const std::size_t before = recorder.buffers().size();
            return QTest::qWaitFor([&] { return recorder.buffers().size() >= before + count; });
        }
        // The engine goes first, and its tap's calls with it.
        TapRecorder recorder;
        QList<Error> failures;
        QStringList notices;
        const std::unique_ptr<QtAudioEngine> chosenInput = chosenInputEngine();
        QtAudioEngine &engine = *chosenInput;
    };

    /// Starts the server with its microphones and outputs.
    bool startServer()
    {
        // A silent microphone first, so that Qt would take it for the default by itself.
        // Without norewinds, the first 50 to 100 ms of what is played are lost. The computer
        // plays into another sink than the default microphone hears.
        return m_server.start() && m_server.loadMicrophone(u"quietmic"_s, u"quiet"_s) &&
               m_server.loadMicrophone(u"virtmic"_s, u"feed"_s,
                                       {u"format=s16le"_s, u"rate=16000"_s, u"channels=1"_s,
                                        u"norewinds=1"_s,
                                        u"sink_properties=device.description=Feed"_s}) &&
               m_server.run(u"pactl"_s, {u"set-default-source"_s, u"virtmic"_s}) &&
               m_server.run(u"pactl"_s, {u"set-default-sink"_s, u"quiet"_s});
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("PULSE_SERVER", m_server.address().toLocal8Bit());
        QVERIFY(startServer());
    }

    void theProbeTellsTheDefaultsAndTheSources()
    {
        const std::optional<SoundServerProbe::Answer> answer =
            SoundServerProbe::ask(std::chrono::seconds(2));
        QVERIFY(answer);
        QCOMPARE(answer->defaultSource, "virtmic");
        QCOMPARE(answer->defaultSink, "quiet");
        const auto find = [&](const QByteArray &name) {
            const auto found = std::find_if(
                answer->sources.begin(), answer->sources.end(),
                [&](const SoundServerProbe::Source &source) { return source.name == name; });
            return found == answer->sources.end() ? SoundServerProbe::Source() : *found;
        };
        QVERIFY(!find("virtmic").isMonitor);
        QVERIFY(find("virtmic").description.contains(u"Feed"_s));
        QVERIFY(find("feed.monitor").isMonitor);
        QCOMPARE(find("feed.monitor").description, u"Monitor of Feed"_s);
    }

    void capturesTheMicrophone()
    {
        // Qt does not know the server's default by itself.
        QTRY_VERIFY(lists(u"quietmic"_s));
        for (const AudioInputDevice &device : QtAudioEngine::inputDevices())
            QCOMPARE(device.isDefault, device.id == u"virtmic");

        const QString speech = m_directory.filePath(u"speech.wav"_s);
        QCOMPARE(QProcess::execute(u"espeak-ng"_s, {u"-w"_s, speech, u"One two three."_s}), 0);
        // Chosen in the settings and started at once; the server's default, prepared first as
        // listening does.
        for (const QString &chosen : {u"virtmic"_s, QString()}) {
            Capture capture(chosen);
            if (chosen.isEmpty()) {
                const QFuture<void> prepared = capture.engine.prepareToStart();
                // The server is asked and the device opened on other threads; the audio is held
                // back until the start.
                QVERIFY(!prepared.isFinished());
                QTRY_VERIFY(prepared.isFinished() && !prepared.isCanceled());
                QCOMPARE(recordingStreams(), 1);
                QTest::qWait(200);
                QVERIFY(capture.recorder.buffers().empty());
                QVERIFY(!capture.engine.isRunning());
            }
            QVERIFY(capture.start());
            QCOMPARE(capture.engine.inputDevice().id, u"virtmic"_s);
            QVERIFY(m_server.run(u"paplay"_s, {u"--device"_s, u"feed"_s, speech}));
            // espeak-ng speaks at 22050 Hz, 16 bits; the server resamples to 16 kHz.
            const qsizetype frames = (QFileInfo(speech).size() - 44) / 2 * 16000 / 22050;
            QTRY_VERIFY(qsizetype(capture.recorder.buffers().size()) * 1024 >= frames);
            capture.engine.stop();
            capture.recorder.closed = true;
            const std::vector<AudioBufferPtr> buffers = capture.recorder.buffers();
            QVERIFY(std::all_of(buffers.begin(), buffers.end(), [](const AudioBufferPtr &buffer) {
                return buffer->sampleRate() == 16000 && buffer->channelCount() == 1 &&
                       buffer->frameCount() == 1024;
            }));
            const std::vector<float> samples = capture.recorder.samples();
            QVERIFY(std::any_of(samples.begin(), samples.end(),
                                [](float s) { return std::abs(s) > 0.1f; }));
            QTest::qWait(200);
            QCOMPARE(capture.recorder.lateCalls.load(), 0);
            QVERIFY(capture.failures.isEmpty());

            // Once more, as a new run of listening does.
            TapRecorder again;
            capture.engine.installTap(1024, again.tap());
            QCOMPARE(capture.engine.start(), std::nullopt);
            QTRY_VERIFY(again.buffers().size() >= 2);
            capture.engine.stop();
            QTRY_COMPARE(recordingStreams(), 0);
        }
    }

    void aPreparationThatNoStartUsesLetsGoOfTheDevice()
    {
        // Let go of by stop() before it has finished, after, and with the engine.
        for (const int when : {0, 1, 2}) {
            auto capture = std::make_unique<Capture>(u"virtmic"_s);
            const QFuture<void> prepared = capture->engine.prepareToStart();
            if (when == 1)
                QTRY_VERIFY(prepared.isFinished());
            if (when == 2)
                capture.reset();
            else
                capture->engine.stop();
            QTRY_VERIFY(prepared.isCanceled() || when == 1);
            QTest::qWait(300);
            QCOMPARE(recordingStreams(), 0);
        }
    }

    void aChosenDeviceThatIsMissingGivesWayToTheDefault()
    {
        for (const bool prepared : {false, true}) {
            Capture capture(u"unplugged-long-ago"_s);
            if (prepared) {
                const QFuture<void> preparation = capture.engine.prepareToStart();
                QTRY_VERIFY(preparation.isFinished());
            }
            QVERIFY(capture.start());
            QCOMPARE(capture.engine.inputDevice().id, u"virtmic"_s);
            QCOMPARE(capture.notices,
                     QStringList(u"“unplugged-long-ago” is not connected. Listening to the "
                                 u"default microphone instead."_s));
        }
    }

    void soundFromThisComputerIsTheDefaultOutputsMonitor()
    {
        Capture capture(AudioInputDevice::soundOfThisComputer);
        QVERIFY(capture.start());
        QCOMPARE(capture.engine.inputDevice().id, u"quiet.monitor"_s);
        speak(u"quiet"_s);
        QTRY_VERIFY(hasSound(capture.recorder.samples()));
        QVERIFY(capture.notices.isEmpty());
        capture.engine.stop();
        QTRY_COMPARE(recordingStreams(), 0);
    }

    // The run goes on: the tap is fed throughout, from the new device once it has taken over.
    void aNewChoiceWhileCapturingSwitchesWithoutAStop()
    {
        Capture capture(u"quietmic"_s);
        QVERIFY(capture.start());
        for (const QString &next : {QString(), AudioInputDevice::soundOfThisComputer}) {
            Setting(SettingsKeys::selectedInputDevice).setValue(next);
            QTRY_COMPARE(capture.engine.inputDevice().id,
                         next.isEmpty() ? u"virtmic"_s : u"quiet.monitor"_s);
            QVERIFY(capture.receivesMore());
            QTRY_COMPARE(recordingStreams(), 1);
        }
        // Heard from the new device.
        const std::size_t before = capture.recorder.buffers().size();
        speak(u"quiet"_s);
        const std::vector<AudioBufferPtr> buffers = capture.recorder.buffers();
        std::vector<float> after;
        for (auto buffer = buffers.begin() + qsizetype(before); buffer != buffers.end(); ++buffer)
            after.insert(after.end(), (*buffer)->samples().begin(), (*buffer)->samples().end());
        QVERIFY(hasSound(after));
        QVERIFY(capture.engine.isRunning());
        QVERIFY(capture.failures.isEmpty());
        QVERIFY(capture.notices.isEmpty());
        capture.engine.stop();
        capture.recorder.closed = true;
        QTest::qWait(200);
        QCOMPARE(capture.recorder.lateCalls.load(), 0);
    }

    // Wherever the computer's sound goes during a run, it is heard there, without a word; a device
    // that may not fall back fails instead, as the computer's sound mixed with a microphone does.
    void theComputersSoundFollowsTheDefaultOutput()
    {
        const std::optional<QString> module = moduleIndex(m_server.run(
            u"pactl"_s, {u"load-module"_s, u"module-null-sink"_s, u"sink_name=headset"_s}));
        QVERIFY(module);
        Capture following(AudioInputDevice::soundOfThisComputer, QtAudioEngine::Fallback::None);
        Capture fixed(u"headset.monitor"_s, QtAudioEngine::Fallback::None);
        QVERIFY(following.start());
        QVERIFY(fixed.start());
        QCOMPARE(following.engine.inputDevice().id, u"quiet.monitor"_s);

        QVERIFY(m_server.run(u"pactl"_s, {u"set-default-sink"_s, u"headset"_s}));
        QTRY_COMPARE(following.engine.inputDevice().id, u"headset.monitor"_s);
        const std::size_t before = following.recorder.buffers().size();
        speak(u"headset"_s);
        QTRY_VERIFY(following.recorder.buffers().size() > before + 10);
        const std::vector<AudioBufferPtr> buffers = following.recorder.buffers();
        std::vector<float> after;
        for (auto buffer = buffers.begin() + qsizetype(before); buffer != buffers.end(); ++buffer)
            after.insert(after.end(), (*buffer)->samples().begin(), (*buffer)->samples().end());
        QVERIFY(hasSound(after));

        // The server makes another output the default as the headset goes.
        QVERIFY(m_server.run(u"pactl"_s, {u"unload-module"_s, *module}));
        QTRY_COMPARE(fixed.failures.size(), 1);
        QTRY_VERIFY(following.engine.inputDevice().id != u"headset.monitor"_s);
        QVERIFY(following.engine.inputDevice().id.endsWith(u".monitor"_s));
        QVERIFY(following.receivesMore());
        QVERIFY(following.failures.isEmpty());
        QVERIFY(following.notices.isEmpty());
        QVERIFY(fixed.notices.isEmpty());
        QVERIFY(m_server.run(u"pactl"_s, {u"set-default-sink"_s, u"quiet"_s}));

        Capture missing(u"headset.monitor"_s, QtAudioEngine::Fallback::None);
        const std::optional<Error> error = missing.engine.start();
        QVERIFY(error);
        QCOMPARE(error->code(), QtAudioEngine::NoInputDevice);
    }

    void withoutServerOrMicrophoneStartSaysSo()
    {
        PrivateSoundServer bare;
        for (const int code : {QtAudioEngine::NoSoundServer, QtAudioEngine::NoInputDevice}) {
            QVERIFY(code == QtAudioEngine::NoSoundServer || bare.start());
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(u"PULSE_SERVER"_s, bare.address());
            for (const QString &way : {QString(), u"prepared"_s}) {
                QProcess process;
                process.setProcessEnvironment(environment);
                process.start(QStringLiteral(START_AUDIO_CAPTURE), {way});
                // Qt on its own would wait for ever for a server that is not there.
                QVERIFY(process.waitForFinished(30'000));
                QCOMPARE(process.readAllStandardOutput().trimmed().toInt(), code);
            }
        }
    }

    // Unplugged, the server would move the recording to a source of its choosing; the engine
    // goes to the default microphone itself, and says so. A microphone Qt lists, and a monitor
    // read through libpulse.
    void aDeviceThatGoesAwayGivesWayToTheDefault()
    {
        for (const bool monitor : {false, true}) {
            const QString sink = u"sink%1"_s.arg(monitor);
            const std::optional<QString> module =
                monitor
                    ? moduleIndex(m_server.run(u"pactl"_s, {u"load-module"_s, u"module-null-sink"_s,
                                                            u"sink_name="_s + sink}))
                    : m_server.loadMicrophone(u"mic"_s, sink);
            QVERIFY(module);
            const QString device = monitor ? sink + u".monitor"_s : u"mic"_s;
            QTRY_VERIFY(monitor || lists(device));
            Capture capture(device);
            QVERIFY(capture.start());
            QCOMPARE(capture.engine.inputDevice().id, device);

            QVERIFY(m_server.run(u"pactl"_s, {u"unload-module"_s, *module}));
            QTRY_COMPARE(capture.notices.size(), 1);
            QVERIFY2(
                capture.notices.first().endsWith(u"Listening to the default microphone instead."_s),
                qPrintable(capture.notices.first()));
            QCOMPARE(capture.engine.inputDevice().id, u"virtmic"_s);
            QVERIFY(capture.receivesMore());
            QVERIFY(capture.failures.isEmpty());
            QTRY_COMPARE(recordingStreams(), 1);
        }
    }

    // Near the end, as it ends the server: with no device left, capture fails, once. The handler
    // stops capture before it reads the error, as the listening model does; the error must outlive
    // the stop (AddressSanitizer sees it in the instrumented tree).
    void aServerThatGoesAwayFailsOnce()
    {
        Capture capture{QString()};
        capture.engine.setFailureHandler([&capture](const Error &error) {
            capture.engine.stop();
            capture.failures << error;
        });
        QVERIFY(capture.start());
        m_server.kill();
        QTRY_COMPARE(capture.failures.size(), 1);
        capture.recorder.closed = true;
        QCOMPARE(capture.failures.first().code(), QtAudioEngine::DeviceFailed);
        QVERIFY(!capture.failures.first().localizedDescription().isEmpty());
        QTest::qWait(300);
        QCOMPARE(capture.recorder.lateCalls.load(), 0);
        QCOMPARE(capture.failures.size(), 1);
        QVERIFY(capture.notices.isEmpty());
        capture.engine.stop(); // returns, with the server gone
    }

    // After the one above: Qt stays bound to the server it first reached, so the server started
    // anew is heard through libpulse when the user starts again.
    void aRestartedServerIsHeardAtTheNextStart()
    {
        QVERIFY(startServer());
        Capture capture{QString()};
        QVERIFY(capture.start());
        QCOMPARE(capture.engine.inputDevice().id, u"virtmic"_s);
        speak(u"feed"_s);
        QTRY_VERIFY(hasSound(capture.recorder.samples()));
        QVERIFY(capture.failures.isEmpty());
    }
};

VOXLUME_TEST_MAIN(TestQtAudioEngine)
#include "tst_QtAudioEngine.moc"
