// SPDX-License-Identifier: GPL-3.0-or-later
#include "Platform/Audio/WavFileAudioEngine.h"
#include "TapRecorder.h"
#include "TestMain.h"
#include "WavBuilder.h"

#include <thread>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;
using Pacing = WavFileAudioEngine::Pacing;

class TestWavFileAudioEngine : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_directory;

    /// A 16-bit file of \a frameCount frames whose every sample differs from its neighbours, and
    /// its samples.
    std::pair<QString, std::vector<float>> rampFile(qsizetype frameCount, int channelCount,
                                                    int sampleRate)
    {
        std::vector<qint16> values(frameCount * channelCount);
        std::vector<float> samples;
        for (std::size_t i = 0; i < values.size(); ++i) {
            values[i] = qint16(int(i % 65536) - 32768);
            samples.push_back(values[i] / 32768.0f);
        }
        const QString path = m_directory.filePath(u"ramp-%1.wav"_s.arg(frameCount));
        WavBuilder::write(path, WavBuilder::wav(WavBuilder::format(1, channelCount, sampleRate, 16),
                                                WavBuilder::packed(values)));
        return {path, samples};
    }

private Q_SLOTS:
    void fastModeDeliversEveryFrameInOrder()
    {
        constexpr int frameCount = 300;
        const auto [path, samples] = rampFile(5000, 2, 44100);
        TapRecorder recorder;
        WavFileAudioEngine engine(path, Pacing::Fast);
        int ends = 0;
        engine.installTap(frameCount, recorder.tap());
        engine.setEndOfInputHandler([&] { ++ends; });
        QCOMPARE(engine.start(), std::nullopt);
        QTRY_COMPARE(ends, 1);
        const std::vector<AudioBufferPtr> buffers = recorder.buffers();
        QCOMPARE(qsizetype(buffers.size()), (5000 + frameCount - 1) / frameCount);
        for (std::size_t i = 0; i < buffers.size(); ++i)
            QVERIFY(buffers[i]->sampleRate() == 44100 && buffers[i]->channelCount() == 2 &&
                    buffers[i]->frameCount() ==
                        (i + 1 < buffers.size() ? frameCount : 5000 % frameCount));
        QCOMPARE(recorder.samples(), samples);

        // The end is told once.
        QTest::qWait(50);
        QCOMPARE(ends, 1);
    }

    void deliveriesEndAtOnceAndAStartPlaysAgain_data()
    {
        QTest::addColumn<Pacing>("pacing");
        QTest::addColumn<bool>("byRemovingTheTap");
        QTest::newRow("stop, real time") << Pacing::RealTime << false;
        QTest::newRow("stop, fast") << Pacing::Fast << false;
        QTest::newRow("removeTap, fast") << Pacing::Fast << true;
    }

    void deliveriesEndAtOnceAndAStartPlaysAgain()
    {
        QFETCH(Pacing, pacing);
        QFETCH(bool, byRemovingTheTap);

        const auto [path, samples] = rampFile(16000 * 20, 1, 16000);
        TapRecorder recorder, again;
        WavFileAudioEngine engine(path, pacing);
        // Slow, so that a call is likely under way when deliveries end.
        engine.installTap(1024, [record = recorder.tap()](const AudioBufferPtr &buffer) {
            record(buffer);
            std::this_thread::sleep_for(1ms);
        });
        bool ended = false;
        engine.setEndOfInputHandler([&] { ended = true; });
        QCOMPARE(engine.start(), std::nullopt);
        QTRY_VERIFY(recorder.buffers().size() >= 3);

        byRemovingTheTap ? engine.removeTap() : engine.stop();
        recorder.closed = true;
        if (byRemovingTheTap) {
            // The file plays on, unheard.
            QTRY_VERIFY(ended);
            engine.stop();
        }
        QTest::qWait(100);
        QCOMPARE(recorder.lateCalls.load(), 0);
        QCOMPARE(ended, byRemovingTheTap);

        // A new start plays the file again from its beginning.
        engine.installTap(1024, again.tap());
        QCOMPARE(engine.start(), std::nullopt);
        QTRY_VERIFY(!again.buffers().empty());
        engine.stop();
        const std::vector<float> first = again.buffers().front()->samples();
        QVERIFY(std::equal(first.begin(), first.end(), samples.begin()));
    }
};

VOXLUME_TEST_MAIN(TestWavFileAudioEngine)
#include "tst_WavFileAudioEngine.moc"
