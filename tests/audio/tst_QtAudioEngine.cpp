// SPDX-License-Identifier: GPL-3.0-or-later
#include "Platform/Audio/QtAudioEngine.h"
#include "PrivateSoundServer.h"
#include "SettingsKeys.h"
#include "TapRecorder.h"
#include "TestMain.h"

#include <QElapsedTimer>
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
    QString m_speech;
    /// The speech's length at the virtual microphone's 16 kHz.
    qsizetype m_speechFrames = 0;

    static void choose(const QString &deviceId)
    {
        Setting(SettingsKeys::selectedInputDevice).setValue(deviceId);
    }

    static bool lists(const QString &deviceId)
    {
        const QList<AudioInputDevice> devices = QtAudioEngine::inputDevices();
        return std::any_of(devices.begin(), devices.end(),
                           [&](const AudioInputDevice &device) { return device.id == deviceId; });
    }

    /// Loads a microphone that records what is played into the sink \a sink: the module's index.
    std::optional<QByteArray> loadMicrophone(const QString &name, const QString &sink,
                                             const QStringList &sinkArguments = {})
    {
        if (!m_server.pactl(
                QStringList{u"load-module"_s, u"module-null-sink"_s, u"sink_name="_s + sink} +
                sinkArguments))
            return std::nullopt;
        const auto module =
            m_server.pactl({u"load-module"_s, u"module-remap-source"_s,
                            u"master=%1.monitor"_s.arg(sink), u"source_name="_s + name});
        return module ? std::optional(module->trimmed()) : std::nullopt;
    }

    /// Starts \a engine into \a recorder, keeping its failures in \a failures; true once audio
    /// arrives.
    static bool startRecordingFailures(QtAudioEngine &engine, TapRecorder &recorder,
                                       QList<Error> &failures)
    {
        engine.installTap(1024, recorder.tap());
        engine.setFailureHandler([&](const Error &error) { failures << error; });
        return !engine.start() && QTest::qWaitFor([&] { return recorder.bufferCount() >= 1; });
    }

    /// Runs start-audio-capture against the server at \a address: its one line of output.
    static QString startInOwnProcess(const QString &address)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"PULSE_SERVER"_s, address);
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(START_AUDIO_CAPTURE), {});
        if (!process.waitForFinished(30'000))
            return u"hangs"_s;
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_speech = m_directory.filePath(u"speech.wav"_s);
        QCOMPARE(QProcess::execute(u"espeak-ng"_s, {u"-w"_s, m_speech,
                                                    u"Testing the microphone, one two three."_s}),
                 0);
        // espeak-ng speaks at 22050 Hz, 16 bits; the server resamples.
        m_speechFrames = (QFileInfo(m_speech).size() - 44) / 2 * 16000 / 22050;

        QVERIFY(m_server.start());
        qputenv("PULSE_SERVER", m_server.address().toLocal8Bit());
        // A silent microphone first, so that Qt would take it for the default by itself.
        QVERIFY(loadMicrophone(u"quietmic"_s, u"quiet"_s));
        // Without norewinds, the first 50 to 100 ms of what is played are lost.
        QVERIFY(loadMicrophone(
            u"virtmic"_s, u"feed"_s,
            {u"format=s16le"_s, u"rate=16000"_s, u"channels=1"_s, u"norewinds=1"_s}));
        QVERIFY(m_server.pactl({u"set-default-source"_s, u"virtmic"_s}));
    }

    void listsDevicesWithTheServersDefault()
    {
        QTRY_VERIFY(lists(u"virtmic"_s) && lists(u"quietmic"_s));
        for (const AudioInputDevice &device : QtAudioEngine::inputDevices()) {
            QCOMPARE(device.isDefault, device.id == u"virtmic");
            QVERIFY(!device.description.isEmpty());
        }
    }

    void capturesTheMicrophone_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::newRow("chosen in the settings") << u"virtmic"_s;
        QTest::newRow("the server's default") << QString();
    }

    void capturesTheMicrophone()
    {
        QFETCH(QString, chosen);

        choose(chosen);
        QtAudioEngine engine;
        TapRecorder recorder;
        engine.installTap(1024, recorder.tap());
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(engine.start(), std::nullopt);
        QVERIFY(engine.isRunning());
        QCOMPARE(engine.inputDevice().id, u"virtmic"_s);

        QVERIFY(m_server.play(u"feed"_s, m_speech));
        QTRY_VERIFY(recorder.bufferCount() * 1024 >= m_speechFrames);
        engine.stop();
        recorder.close();
        const qint64 elapsed = clock.elapsed();
        QVERIFY(!engine.isRunning());
        QCOMPARE(engine.inputDevice().id, QString());

        for (const AudioBufferPtr &buffer : recorder.buffers()) {
            QCOMPARE(buffer->sampleRate(), 16000);
            QCOMPARE(buffer->channelCount(), 1);
            QCOMPARE(buffer->frameCount(), 1024);
        }
        const std::vector<float> samples = recorder.samples();
        QVERIFY(std::any_of(samples.begin(), samples.end(),
                            [](float s) { return std::abs(s) > 0.1f; }));
        // No more than the server can have made in the time, with a second to spare.
        QVERIFY(qsizetype(samples.size()) <= (elapsed + 1000) * 16);
        QTest::qWait(200);
        QCOMPARE(recorder.lateCalls(), 0);

        // Once more, as a new run of listening does; this time the tap is removed first.
        TapRecorder again;
        engine.installTap(1024, again.tap());
        QCOMPARE(engine.start(), std::nullopt);
        QTRY_VERIFY(again.bufferCount() >= 2);
        engine.removeTap();
        again.close();
        QTest::qWait(100);
        QCOMPARE(again.lateCalls(), 0);
    }

    void aChosenDeviceThatIsMissingIsAnError()
    {
        choose(u"unplugged-long-ago"_s);
        QtAudioEngine engine;
        const std::optional<Error> error = engine.start();
        QVERIFY(error);
        QCOMPARE(error->domain(), QtAudioEngine::errorDomain);
        QCOMPARE(error->code(), QtAudioEngine::ChosenDeviceMissing);
        QCOMPARE(error->localizedDescription(),
                 u"The microphone chosen in the settings is not connected. Connect it, or choose "
                 u"another microphone in the settings."_s);
        QCOMPARE(error->userInfo().value(u"deviceId"_s), u"unplugged-long-ago"_s);
        QVERIFY(!engine.isRunning());
    }

    void aDeviceThatGoesAwayFailsOnce()
    {
        const std::optional<QByteArray> module = loadMicrophone(u"usbmic"_s, u"usb"_s);
        QVERIFY(module);
        QTRY_VERIFY(lists(u"usbmic"_s));
        choose(u"usbmic"_s);
        QtAudioEngine engine;
        TapRecorder recorder;
        QList<Error> failures;
        QVERIFY(startRecordingFailures(engine, recorder, failures));

        // The server moves the recording to another source; the engine must not follow it.
        QVERIFY(m_server.pactl({u"unload-module"_s, QString::fromLatin1(*module)}));
        QTRY_COMPARE(failures.size(), 1);
        recorder.close();
        QCOMPARE(failures.first().code(), QtAudioEngine::DeviceDisconnected);
        QVERIFY(failures.first().localizedDescription().endsWith(u"” was disconnected."_s));
        QVERIFY(engine.isRunning());
        QTest::qWait(300);
        QCOMPARE(recorder.lateCalls(), 0);
        QCOMPARE(failures.size(), 1);
        engine.stop();
        QVERIFY(!engine.isRunning());
    }

    void withoutSoundServerStartSaysSo()
    {
        QCOMPARE(startInOwnProcess(u"unix:"_s + m_directory.filePath(u"no-server-here"_s)),
                 u"%1 No microphone was found: no sound server (PulseAudio or PipeWire) is "
                 u"running."_s.arg(QtAudioEngine::NoSoundServer));
    }

    void withoutMicrophoneStartSaysSo()
    {
        PrivateSoundServer bare;
        QVERIFY(bare.start());
        QCOMPARE(startInOwnProcess(bare.address()),
                 u"%1 No microphone was found."_s.arg(QtAudioEngine::NoInputDevice));
    }

    // Last, as it ends the server.
    void aServerThatDiesFailsOnceAndStopReturns()
    {
        choose(u"virtmic"_s);
        QtAudioEngine engine;
        TapRecorder recorder;
        QList<Error> failures;
        QVERIFY(startRecordingFailures(engine, recorder, failures));

        m_server.kill();
        QTRY_COMPARE(failures.size(), 1);
        QCOMPARE(failures.first().code(), QtAudioEngine::DeviceFailed);
        QVERIFY(failures.first().localizedDescription().endsWith(u"” stopped working."_s));
        engine.stop();
        recorder.close();
        QVERIFY(!engine.isRunning());
        QTest::qWait(100);
        QCOMPARE(recorder.lateCalls(), 0);
        QCOMPARE(failures.size(), 1);
    }
};

VOXLUME_TEST_MAIN(TestQtAudioEngine)
#include "tst_QtAudioEngine.moc"
