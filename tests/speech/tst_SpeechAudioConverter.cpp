// SPDX-License-Identifier: GPL-3.0-or-later
#include "Platform/Speech/PocketSphinx/SpeechAudioConverter.h"
#include "TestMain.h"

#include <cmath>
#include <limits>
#include <numbers>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int decoderRate = 16'000;

// One second of a 440 Hz tone at half scale, the same in every channel.
std::vector<float> tone(int sampleRate, int channelCount)
{
    std::vector<float> samples;
    for (int frame = 0; frame < sampleRate; ++frame) {
        const double phase = 2.0 * std::numbers::pi * 440.0 * frame / sampleRate;
        samples.insert(samples.end(), size_t(channelCount), float(0.5 * std::sin(phase)));
    }
    return samples;
}

std::vector<qint16> convertInBlocks(const std::vector<float> &samples, int sampleRate,
                                    int channelCount, qsizetype framesPerBlock)
{
    SpeechAudioConverter converter(decoderRate);
    std::vector<qint16> output;
    const qsizetype step = framesPerBlock * channelCount;
    for (qsizetype start = 0; start < qsizetype(samples.size()); start += step) {
        const auto first = samples.cbegin() + start;
        const auto last = samples.cbegin() + std::min(start + step, qsizetype(samples.size()));
        converter.convert(AudioBuffer(sampleRate, channelCount, {first, last}), output);
    }
    return output;
}

int signChanges(const std::vector<qint16> &samples)
{
    int changes = 0;
    for (size_t i = 1; i < samples.size(); ++i)
        changes += (samples[i - 1] < 0) != (samples[i] < 0);
    return changes;
}

double rootMeanSquare(const std::vector<qint16> &samples)
{
    double sum = 0.0;
    for (const qint16 sample : samples)
        sum += double(sample) * sample;
    return std::sqrt(sum / double(samples.size()));
}

} // namespace

class TestSpeechAudioConverter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void convertsToOneChannelAtTheDecoderRate_data()
    {
        QTest::addColumn<int>("sampleRate");
        QTest::addColumn<int>("channelCount");
        QTest::newRow("48 kHz stereo") << 48'000 << 2;
        QTest::newRow("44.1 kHz mono") << 44'100 << 1;
        QTest::newRow("16 kHz mono") << 16'000 << 1;
        QTest::newRow("96 kHz, six channels") << 96'000 << 6;
        QTest::newRow("8 kHz mono") << 8'000 << 1;
    }

    void convertsToOneChannelAtTheDecoderRate()
    {
        QFETCH(int, sampleRate);
        QFETCH(int, channelCount);
        const std::vector<qint16> output =
            convertInBlocks(tone(sampleRate, channelCount), sampleRate, channelCount, 1024);

        // A second of audio, less at most the resampler's delay.
        QVERIFY2(std::abs(qsizetype(output.size()) - decoderRate) < 100,
                 QByteArray::number(qsizetype(output.size())));
        // Still a 440 Hz tone at half scale: two sign changes a cycle, RMS of 0.5 / sqrt(2).
        const double frequency = signChanges(output) * 0.5 * decoderRate / double(output.size());
        QVERIFY2(std::abs(frequency - 440.0) < 2.0, QByteArray::number(frequency));
        const double expectedRms = 0.5 * 32768.0 / std::numbers::sqrt2;
        QVERIFY2(std::abs(rootMeanSquare(output) - expectedRms) < expectedRms * 0.05,
                 QByteArray::number(rootMeanSquare(output)));
    }

    void buffersJoinWithoutASeam()
    {
        const std::vector<float> samples = tone(48'000, 2);
        const std::vector<qint16> whole = convertInBlocks(samples, 48'000, 2, 48'000);
        QCOMPARE(convertInBlocks(samples, 48'000, 2, 1024), whole);
        QCOMPARE(convertInBlocks(samples, 48'000, 2, 333), whole);
    }

    void channelsAreAveraged()
    {
        SpeechAudioConverter converter(decoderRate);
        std::vector<qint16> output;
        converter.convert(AudioBuffer(decoderRate, 2, {0.5f, -0.5f, 0.5f, 0.5f, -1.0f, 0.0f}),
                          output);
        QCOMPARE(output, std::vector<qint16>({0, 16384, -16384}));
    }

    void unusableSamplesBecomeSilenceOrTheLimit()
    {
        constexpr float infinity = std::numeric_limits<float>::infinity();
        SpeechAudioConverter converter(decoderRate);
        std::vector<qint16> output;
        converter.convert(AudioBuffer(decoderRate, 1,
                                      {std::numeric_limits<float>::quiet_NaN(), infinity, -infinity,
                                       3.0f, -3.0f}),
                          output);
        QCOMPARE(output, std::vector<qint16>({0, 0, 0, 32767, -32768}));
    }

    void unusableBuffersAddNothing_data()
    {
        QTest::addColumn<int>("sampleRate");
        QTest::addColumn<int>("channelCount");
        QTest::addColumn<int>("sampleCount");
        QTest::newRow("no channels") << 48'000 << 0 << 1024;
        QTest::newRow("no rate") << 0 << 2 << 1024;
        QTest::newRow("rate too low") << 1'000 << 1 << 1024;
        QTest::newRow("rate too high") << 1'000'000 << 1 << 1024;
        QTest::newRow("no samples") << 48'000 << 2 << 0;
        QTest::newRow("less than a frame") << 48'000 << 2 << 1;
    }

    void unusableBuffersAddNothing()
    {
        QFETCH(int, sampleRate);
        QFETCH(int, channelCount);
        QFETCH(int, sampleCount);
        SpeechAudioConverter converter(decoderRate);
        std::vector<qint16> output;
        converter.convert(
            AudioBuffer(sampleRate, channelCount, std::vector<float>(size_t(sampleCount), 0.25f)),
            output);
        QVERIFY(output.empty());

        // Nor do they spoil the buffers after them.
        converter.convert(AudioBuffer(decoderRate, 1, {0.25f}), output);
        QCOMPARE(output, std::vector<qint16>({8192}));
    }

    void aChangeOfRateStartsAfresh()
    {
        SpeechAudioConverter converter(decoderRate);
        std::vector<qint16> output;
        for (const int sampleRate : {48'000, 22'050, 48'000})
            converter.convert(AudioBuffer(sampleRate, 1, tone(sampleRate, 1)), output);
        QVERIFY2(std::abs(qsizetype(output.size()) - 3 * decoderRate) < 300,
                 QByteArray::number(qsizetype(output.size())));
    }
};

VOXLUME_TEST_MAIN(TestSpeechAudioConverter)
#include "tst_SpeechAudioConverter.moc"
