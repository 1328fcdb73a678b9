// SPDX-License-Identifier: GPL-3.0-or-later
#include "Platform/Speech/PocketSphinx/SpeechAudioConverter.h"
#include "TestMain.h"

#include <cmath>
#include <limits>
#include <numbers>

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

// The tone, converted by one converter in blocks of \a framesPerBlock.
std::vector<qint16> convertInBlocks(int sampleRate, int channelCount, qsizetype framesPerBlock)
{
    const std::vector<float> samples = tone(sampleRate, channelCount);
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
        QTest::newRow("16 kHz, six channels") << 16'000 << 6;
        QTest::newRow("8 kHz mono") << 8'000 << 1;
    }

    void convertsToOneChannelAtTheDecoderRate()
    {
        QFETCH(int, sampleRate);
        QFETCH(int, channelCount);
        const std::vector<qint16> output = convertInBlocks(sampleRate, channelCount, 1024);

        // A second of audio, less at most the resampler's delay.
        QVERIFY2(std::abs(qsizetype(output.size()) - decoderRate) < 100,
                 QByteArray::number(qsizetype(output.size())));
        // Still a 440 Hz tone at half scale: two sign changes a cycle, RMS of 0.5 / sqrt(2).
        int signChanges = 0;
        double squares = 0.0;
        for (size_t i = 0; i < output.size(); ++i) {
            signChanges += i > 0 && (output[i - 1] < 0) != (output[i] < 0);
            squares += double(output[i]) * output[i];
        }
        const double frequency = signChanges * 0.5 * decoderRate / double(output.size());
        QVERIFY2(std::abs(frequency - 440.0) < 2.0, QByteArray::number(frequency));
        const double rms = std::sqrt(squares / double(output.size()));
        const double expectedRms = 0.5 * 32768.0 / std::numbers::sqrt2;
        QVERIFY2(std::abs(rms - expectedRms) < expectedRms * 0.05, QByteArray::number(rms));

        // Buffers join without a seam.
        QCOMPARE(convertInBlocks(sampleRate, channelCount, 333), output);
    }

    void convertsExactly_data()
    {
        QTest::addColumn<int>("sampleRate");
        QTest::addColumn<int>("channelCount");
        QTest::addColumn<std::vector<float>>("samples");
        QTest::addColumn<std::vector<qint16>>("expected");

        constexpr float infinity = std::numeric_limits<float>::infinity();
        const std::vector<float> quarters(1024, 0.25f);
        const std::vector<qint16> nothing;
        QTest::newRow("channels averaged")
            << decoderRate << 2 << std::vector<float>{0.5f, -0.5f, 0.5f, 0.5f, -1, 0}
            << std::vector<qint16>{0, 16384, -16384};
        QTest::newRow("unusable samples become silence or the limit")
            << decoderRate << 1
            << std::vector<float>{std::numeric_limits<float>::quiet_NaN(), infinity, -infinity, 3,
                                  -3}
            << std::vector<qint16>{0, 0, 0, 32767, -32768};
        // Unusable buffers add nothing.
        QTest::newRow("no channels") << 48'000 << 0 << quarters << nothing;
        QTest::newRow("no rate") << 0 << 2 << quarters << nothing;
        QTest::newRow("rate too high") << 1'000'000 << 1 << quarters << nothing;
        QTest::newRow("less than a frame") << 48'000 << 2 << std::vector<float>{0.25f} << nothing;
    }

    void convertsExactly()
    {
        QFETCH(int, sampleRate);
        QFETCH(int, channelCount);
        QFETCH(std::vector<float>, samples);
        QFETCH(std::vector<qint16>, expected);

        SpeechAudioConverter converter(decoderRate);
        std::vector<qint16> output;
        converter.convert(AudioBuffer(sampleRate, channelCount, samples), output);
        // Nor does any buffer spoil the ones after it.
        converter.convert(AudioBuffer(decoderRate, 1, {0.25f}), output);
        expected.push_back(8192);
        QCOMPARE(output, expected);
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
