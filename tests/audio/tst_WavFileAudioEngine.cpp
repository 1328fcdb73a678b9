// SPDX-License-Identifier: GPL-3.0-or-later
#include "Platform/Audio/WavFile.h"
#include "Platform/Audio/WavFileAudioEngine.h"
#include "TapRecorder.h"
#include "TestMain.h"
#include "WavBuilder.h"

#include <QElapsedTimer>
#include <thread>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

class TestWavFileAudioEngine : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_directory;

    /// A 16-bit file of \a frameCount frames whose every sample differs from its neighbours.
    QString rampFile(qsizetype frameCount, int channelCount, int sampleRate)
    {
        std::vector<qint16> values(frameCount * channelCount);
        for (std::size_t i = 0; i < values.size(); ++i)
            values[i] = qint16(int(i % 65536) - 32768);
        const QString path =
            m_directory.filePath(u"ramp-%1-%2.wav"_s.arg(frameCount).arg(sampleRate));
        WavBuilder::write(path, WavBuilder::wav(WavBuilder::format(1, channelCount, sampleRate, 16),
                                                WavBuilder::packed(values)));
        return path;
    }

    static std::vector<float> samplesOf(const QString &path)
    {
        auto file = std::get<WavFile>(WavFile::open(path));
        std::vector<float> samples;
        file.readFrames(file.frameCount(), samples);
        return samples;
    }

private Q_SLOTS:
    void fastModeDeliversEveryFrameInOrder_data()
    {
        QTest::addColumn<int>("frameCount");
        QTest::newRow("1024 frames a block") << 1024;
        QTest::newRow("300 frames a block") << 300;
    }

    void fastModeDeliversEveryFrameInOrder()
    {
        QFETCH(int, frameCount);

        const QString path = rampFile(5000, 2, 44100);
        WavFileAudioEngine engine(path, WavFileAudioEngine::Pacing::Fast);
        TapRecorder recorder;
        int ends = 0;
        engine.installTap(frameCount, recorder.tap());
        engine.setEndOfInputHandler([&] { ++ends; });
        QCOMPARE(engine.start(), std::nullopt);
        QVERIFY(engine.isRunning());

        QTRY_COMPARE(ends, 1);
        const std::vector<AudioBufferPtr> buffers = recorder.buffers();
        QCOMPARE(qsizetype(buffers.size()), (5000 + frameCount - 1) / frameCount);
        for (std::size_t i = 0; i < buffers.size(); ++i) {
            QCOMPARE(buffers[i]->sampleRate(), 44100);
            QCOMPARE(buffers[i]->channelCount(), 2);
            QCOMPARE(buffers[i]->frameCount(),
                     i + 1 < buffers.size() ? frameCount : 5000 % frameCount);
        }
        QCOMPARE(recorder.samples(), samplesOf(path));

        // The end is told once, and the engine runs on until it is stopped.
        QTest::qWait(50);
        QCOMPARE(ends, 1);
        QVERIFY(engine.isRunning());
        engine.stop();
        QVERIFY(!engine.isRunning());
    }

    void realTimePacingFollowsTheClock()
    {
        // One second, in 16 blocks.
        WavFileAudioEngine engine(rampFile(16000, 1, 16000));
        std::mutex mutex;
        std::vector<qint64> arrivals;
        QElapsedTimer clock;
        engine.installTap(1024, [&](const AudioBufferPtr &) {
            const std::lock_guard lock(mutex);
            arrivals.push_back(clock.elapsed());
        });
        bool ended = false;
        engine.setEndOfInputHandler([&] { ended = true; });
        clock.start();
        QCOMPARE(engine.start(), std::nullopt);

        QTRY_VERIFY_WITH_TIMEOUT(ended, 10000);
        const std::lock_guard lock(mutex);
        QCOMPARE(arrivals.size(), 16u);
        // Loose bounds: only a file delivered all at once, or at a fraction of its pace, fails.
        QVERIFY2(arrivals.back() >= 800, qPrintable(QString::number(arrivals.back())));
        QVERIFY2(arrivals.front() < arrivals.back() - 500,
                 qPrintable(QString::number(arrivals.front())));
    }

    void deliveriesEndAtOnce_data()
    {
        QTest::addColumn<WavFileAudioEngine::Pacing>("pacing");
        QTest::addColumn<bool>("byRemovingTheTap");
        QTest::newRow("stop, real time") << WavFileAudioEngine::Pacing::RealTime << false;
        QTest::newRow("stop, fast") << WavFileAudioEngine::Pacing::Fast << false;
        QTest::newRow("removeTap, fast") << WavFileAudioEngine::Pacing::Fast << true;
    }

    void deliveriesEndAtOnce()
    {
        QFETCH(WavFileAudioEngine::Pacing, pacing);
        QFETCH(bool, byRemovingTheTap);

        const QString path = rampFile(16000 * 20, 1, 16000);
        WavFileAudioEngine engine(path, pacing);
        TapRecorder recorder;
        // Slow, so that a call is likely under way when deliveries end.
        engine.installTap(1024, [record = recorder.tap()](const AudioBufferPtr &buffer) {
            record(buffer);
            std::this_thread::sleep_for(1ms);
        });
        bool ended = false;
        engine.setEndOfInputHandler([&] { ended = true; });
        QCOMPARE(engine.start(), std::nullopt);
        QTRY_VERIFY(recorder.bufferCount() >= 3);

        byRemovingTheTap ? engine.removeTap() : engine.stop();
        recorder.close();
        if (byRemovingTheTap) {
            // The file plays on, unheard.
            QTRY_VERIFY(ended);
            engine.stop();
        }
        QTest::qWait(100);
        QCOMPARE(recorder.lateCalls(), 0);
        QCOMPARE(ended, byRemovingTheTap);
        QVERIFY(!engine.isRunning());

        // A new start plays the file again from its beginning.
        TapRecorder again;
        engine.installTap(1024, again.tap());
        QCOMPARE(engine.start(), std::nullopt);
        QTRY_VERIFY(again.bufferCount() >= 1);
        engine.stop();
        const std::vector<float> first = again.buffers().front()->samples();
        QVERIFY(std::equal(first.begin(), first.end(), samplesOf(path).begin()));
    }

    void anUnreadableFileDoesNotStart()
    {
        const QString path = m_directory.filePath(u"compressed.wav"_s);
        QVERIFY(
            WavBuilder::write(path, WavBuilder::wav(WavBuilder::format(2, 1, 8000, 4), "\1\2")));
        WavFileAudioEngine engine(path, WavFileAudioEngine::Pacing::Fast);
        const std::optional<Error> error = engine.start();
        QVERIFY(error);
        QCOMPARE(error->code(), WavFile::UnsupportedEncoding);
        QVERIFY(error->localizedDescription().contains(path));
        QVERIFY(!engine.isRunning());
    }
};

VOXLUME_TEST_MAIN(TestWavFileAudioEngine)
#include "tst_WavFileAudioEngine.moc"
