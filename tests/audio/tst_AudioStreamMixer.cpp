// SPDX-License-Identifier: GPL-3.0-or-later
#include "Platform/Audio/AudioStreamMixer.h"
#include "TestMain.h"

#include <QTest>
#include <array>
#include <cmath>
#include <numbers>
#include <thread>

namespace {

constexpr int outputRate = 16000;
constexpr int chunkFrames = 1024;

// Makes the buffer of \a frames frames that a source captured from frame \a first on.
using Signal = std::function<AudioBufferPtr(qint64 first, int frames)>;

// One simulated capture device: a nominal rate, a real one that its clock may miss by a little,
// a buffer size, and a span of real time in which it delivers nothing and loses its samples.
struct Device
{
    int rate;
    int channels;
    int bufferFrames;
    double realRate;
    Signal signal;
    double stallFrom = -1;
    double stallTo = -1;
    qint64 next = 0;
};

Signal tone(int rate, int channels, double frequency, double amplitude)
{
    return [=](qint64 first, int frames) {
        std::vector<float> samples(std::size_t(frames) * channels);
        for (int i = 0; i < frames; ++i) {
            const auto value = float(
                amplitude * std::sin(2 * std::numbers::pi * frequency * double(first + i) / rate));
            for (int c = 0; c < channels; ++c)
                samples[std::size_t(i) * channels + c] = value;
        }
        return std::make_shared<const AudioBuffer>(rate, channels, std::move(samples));
    };
}

// Silence with a single-sample click at each of \a times seconds of the device's real clock.
Signal clicks(int rate, int channels, double realRate, std::vector<double> times)
{
    auto silence = std::make_shared<std::map<int, AudioBufferPtr>>();
    return [=](qint64 first, int frames) {
        std::vector<float> samples;
        for (double time : times) {
            const auto frame = qint64(std::llround(time * realRate));
            if (frame < first || frame >= first + frames)
                continue;
            samples.resize(std::size_t(frames) * channels);
            for (int c = 0; c < channels; ++c)
                samples[std::size_t(frame - first) * channels + c] = 0.8f;
        }
        if (!samples.empty())
            return std::make_shared<const AudioBuffer>(rate, channels, std::move(samples));
        AudioBufferPtr &shared = (*silence)[frames];
        if (!shared)
            shared = std::make_shared<const AudioBuffer>(
                rate, channels, std::vector<float>(std::size_t(frames) * channels));
        return shared;
    };
}

// Delivers both devices' buffers in the order their real clocks complete them, until \a seconds.
void run(AudioStreamMixer &mixer, std::array<Device, 2> &devices, double seconds)
{
    for (;;) {
        const auto ends = [](const Device &d) {
            return double(d.next + d.bufferFrames) / d.realRate;
        };
        const int index = ends(devices[0]) <= ends(devices[1]) ? 0 : 1;
        Device &device = devices[index];
        const double end = ends(device);
        if (end > seconds)
            return;
        if (end <= device.stallFrom || end > device.stallTo)
            mixer.append(AudioStreamMixer::Source(index),
                         device.signal(device.next, device.bufferFrames));
        device.next += device.bufferFrames;
    }
}

struct Recording
{
    std::vector<float> samples;
    int chunks = 0;
    bool wellFormed = true;

    AudioStreamMixer::Output output()
    {
        return [this](const AudioBufferPtr &chunk) {
            wellFormed = wellFormed && chunk->sampleRate() == outputRate &&
                         chunk->channelCount() == 1 && chunk->frameCount() == chunkFrames;
            samples.insert(samples.end(), chunk->samples().begin(), chunk->samples().end());
            ++chunks;
        };
    }
};

// The amplitude of the \a frequency component over [from, to) seconds of \a samples, found in
// windows of whole periods short enough that a clock steered by a fraction of a percent keeps its
// phase within each.
double amplitudeAt(const std::vector<float> &samples, double frequency, double from, double to)
{
    constexpr qsizetype window = outputRate / 20;
    double total = 0;
    int windows = 0;
    for (auto first = qsizetype(from * outputRate); first + window <= qsizetype(to * outputRate);
         first += window, ++windows) {
        double sine = 0, cosine = 0;
        for (qsizetype i = first; i < first + window; ++i) {
            const double phase = 2 * std::numbers::pi * frequency * double(i) / outputRate;
            sine += samples[std::size_t(i)] * std::sin(phase);
            cosine += samples[std::size_t(i)] * std::cos(phase);
        }
        total += 2 * std::hypot(sine, cosine) / double(window);
    }
    return total / windows;
}

// Where, in seconds of output, the loudest sample within \a window seconds around \a near lies.
double peakNear(const std::vector<float> &samples, double near, double window)
{
    const auto first = std::max<qsizetype>(0, qsizetype((near - window) * outputRate));
    const auto last =
        std::min<qsizetype>(qsizetype(samples.size()), qsizetype((near + window) * outputRate));
    qsizetype best = first;
    for (qsizetype i = first; i < last; ++i) {
        if (std::abs(samples[std::size_t(i)]) > std::abs(samples[std::size_t(best)]))
            best = i;
    }
    return double(best) / outputRate;
}

} // namespace

// Mixing the microphone and the computer's sound into one stream for recognition.
class TestAudioStreamMixer : public QObject
{
    Q_OBJECT

private slots:
    void mixesTwoRatesIntoOneStream()
    {
        Recording recording;
        AudioStreamMixer mixer(outputRate, chunkFrames, recording.output());
        // The microphone is far louder than the other, so that nothing is ducked.
        std::array<Device, 2> devices{Device{48000, 2, 480, 48000, tone(48000, 2, 440, 0.5)},
                                      Device{44100, 1, 1024, 44100, tone(44100, 1, 1000, 0.2)}};
        run(mixer, devices, 5);

        QVERIFY(recording.wellFormed);
        // All but what waits for a whole chunk, for the filters' and the limiter's look-ahead.
        QVERIFY(recording.samples.size() <= std::size_t(5 * outputRate));
        QVERIFY(recording.samples.size() > std::size_t(5 * outputRate - 2 * chunkFrames));
        QVERIFY(std::abs(amplitudeAt(recording.samples, 440, 1, 4.5) - 0.5) < 0.01);
        QVERIFY(std::abs(amplitudeAt(recording.samples, 1000, 1, 4.5) - 0.2) < 0.01);
        // Nothing of the resampling leaks in between.
        QVERIFY(amplitudeAt(recording.samples, 700, 1, 4.5) < 0.005);
        QVERIFY(std::abs(mixer.level(AudioStreamMixer::Microphone) - 0.5 / std::sqrt(2)) < 0.02);
        QVERIFY(std::abs(mixer.level(AudioStreamMixer::ComputerSound) - 0.2 / std::sqrt(2)) < 0.02);
    }

    void goesOnThroughStallAndRejoinsAligned()
    {
        Recording recording;
        AudioStreamMixer mixer(outputRate, chunkFrames, recording.output());
        std::vector<double> micTimes, computerTimes;
        for (int second = 1; second <= 9; ++second) {
            micTimes.push_back(second);
            computerTimes.push_back(second + 0.25);
        }
        std::array<Device, 2> devices{
            Device{48000, 2, 960, 48000, clicks(48000, 2, 48000, micTimes)},
            Device{44100, 1, 441, 44100, clicks(44100, 1, 44100, computerTimes), 3.5, 5.5}};
        run(mixer, devices, 10);

        // The microphone went on at its pace through the stall: no gap, no extra audio.
        QVERIFY(recording.samples.size() > std::size_t(10 * outputRate - 2 * chunkFrames));
        QVERIFY(recording.samples.size() <= std::size_t(10 * outputRate));
        const double origin = peakNear(recording.samples, 1, 0.1) - 1;
        for (int second = 1; second <= 9; ++second) {
            const double mic = peakNear(recording.samples, origin + second, 0.1);
            QVERIFY2(std::abs(mic - origin - second) < 0.008, qPrintable(QString::number(mic)));
            if (second == 4 || second == 5)
                continue; // stalled
            // At a join, sample counts place the source within half the other's buffer (here
            // 10 ms); the steering takes up the rest over the following seconds.
            const double computer = peakNear(recording.samples, origin + second + 0.25, 0.1);
            QVERIFY2(std::abs(computer - mic - 0.25) < 0.012,
                     qPrintable(QStringLiteral("%1: %2").arg(second).arg(computer - mic)));
        }
        // While stalled, nothing of the computer's sound came out, old or new.
        QVERIFY(std::abs(recording.samples[std::size_t((origin + 4.25) * outputRate)]) < 1e-6f);
    }

    void staysAlignedOverAnHourOfDrift()
    {
        Recording recording;
        recording.samples.reserve(std::size_t(3601 * outputRate));
        AudioStreamMixer mixer(outputRate, chunkFrames, recording.output());
        std::vector<double> micTimes, computerTimes;
        for (int minute = 1; minute < 60; ++minute) {
            micTimes.push_back(60.0 * minute);
            computerTimes.push_back(60.0 * minute + 0.5);
        }
        // The microphone's clock runs 0.1% fast: 3.6 s over the hour if nothing corrected it.
        const double micRate = 48000 * 1.001;
        std::array<Device, 2> devices{
            Device{48000, 2, 960, micRate, clicks(48000, 2, micRate, micTimes)},
            Device{44100, 1, 441, 44100, clicks(44100, 1, 44100, computerTimes)}};
        run(mixer, devices, 3600);

        double worst = 0;
        for (int minute = 2; minute < 60; ++minute) {
            // The output keeps the mean of the two clocks: 0.05% ahead of the computer's.
            const double mic = peakNear(recording.samples, 60.0 * minute * 1.0005, 0.2);
            const double computer = peakNear(recording.samples, mic + 0.5, 0.1);
            worst = std::max(worst, std::abs(computer - mic - 0.5));
        }
        QVERIFY2(worst < 0.003, qPrintable(QString::number(worst)));
    }

    void goesOnAloneWhenSourceRemoved()
    {
        Recording recording;
        AudioStreamMixer mixer(outputRate, chunkFrames, recording.output());
        std::array<Device, 2> devices{Device{48000, 1, 480, 48000, tone(48000, 1, 440, 0.5)},
                                      Device{48000, 2, 480, 48000, tone(48000, 2, 1000, 0.2)}};
        run(mixer, devices, 1);
        mixer.removeSource(AudioStreamMixer::Microphone);
        QCOMPARE(mixer.level(AudioStreamMixer::Microphone), 0.0f);
        const std::size_t before = recording.samples.size();
        for (int i = 0; i < 100; ++i)
            mixer.append(AudioStreamMixer::ComputerSound, devices[1].signal(48000 + i * 480, 480));
        // No waiting for the unplugged microphone: all of the second comes out.
        QVERIFY(recording.samples.size() - before >= std::size_t(outputRate - chunkFrames));
        QVERIFY(amplitudeAt(recording.samples, 440, double(before) / outputRate + 0.1,
                            double(recording.samples.size()) / outputRate) < 0.005);
    }

    void limitsLoudSourcesWithoutClipping_data()
    {
        QTest::addColumn<double>("microphone");
        QTest::addColumn<double>("computer");
        QTest::newRow("both at full scale") << 1.0 << 1.0;
        QTest::newRow("speaker over quieter sound") << 1.0 << 0.45;
    }

    void limitsLoudSourcesWithoutClipping()
    {
        QFETCH(double, microphone);
        QFETCH(double, computer);
        Recording recording;
        AudioStreamMixer mixer(outputRate, chunkFrames, recording.output());
        std::array<Device, 2> devices{Device{48000, 2, 480, 48000, tone(48000, 2, 300, microphone)},
                                      Device{44100, 1, 441, 44100, tone(44100, 1, 500, computer)}};
        run(mixer, devices, 4);

        const auto peak =
            std::ranges::max(recording.samples, {}, [](float s) { return std::abs(s); });
        QVERIFY(std::abs(peak) <= 1.0f);
        // Once the gain has settled, the output is the two tones and nothing else: a clipped
        // sum would carry their harmonics and intermodulation.
        const double from = 1.0, to = 3.5;
        const double a = amplitudeAt(recording.samples, 300, from, to);
        const double b = amplitudeAt(recording.samples, 500, from, to);
        double energy = 0;
        for (auto i = qsizetype(from * outputRate); i < qsizetype(to * outputRate); ++i)
            energy += double(recording.samples[std::size_t(i)]) * recording.samples[std::size_t(i)];
        energy /= (to - from) * outputRate;
        const double residue = energy - (a * a + b * b) / 2;
        QVERIFY2(residue < 0.01 * energy,
                 qPrintable(QStringLiteral("%1 %2 %3").arg(a).arg(b).arg(residue / energy)));
        QVERIFY(a > 0.1 && b > 0.1);
    }

    void ducksMicrophoneUnderComputerSpeech_data()
    {
        QTest::addColumn<double>("microphone");
        QTest::addColumn<double>("computer");
        QTest::addColumn<double>("gain");
        QTest::newRow("echo under computer speech")
            << 0.1 << 0.3 << double(AudioStreamMixer::duckingGain);
        QTest::newRow("voice over computer speech") << 0.7 << 0.2 << 1.0;
        QTest::newRow("computer silent") << 0.1 << 0.0 << 1.0;
    }

    void ducksMicrophoneUnderComputerSpeech()
    {
        QFETCH(double, microphone);
        QFETCH(double, computer);
        QFETCH(double, gain);
        Recording recording;
        AudioStreamMixer mixer(outputRate, chunkFrames, recording.output());
        std::array<Device, 2> devices{Device{48000, 2, 480, 48000, tone(48000, 2, 440, microphone)},
                                      Device{44100, 1, 441, 44100, tone(44100, 1, 1000, computer)}};
        run(mixer, devices, 3);
        const double heard = amplitudeAt(recording.samples, 440, 1, 2.5);
        QVERIFY2(std::abs(heard - microphone * gain) < 0.01 * microphone,
                 qPrintable(QString::number(heard)));
    }

    void acceptsBuffersFromTwoThreads()
    {
        Recording recording;
        AudioStreamMixer mixer(outputRate, chunkFrames, recording.output());
        const Signal micSignal = tone(48000, 2, 440, 0.3);
        const Signal computerSignal = tone(44100, 1, 1000, 0.3);
        std::atomic<bool> done = false;
        std::thread mic([&] {
            for (int i = 0; i < 500; ++i)
                mixer.append(AudioStreamMixer::Microphone, micSignal(i * 480, 480));
        });
        std::thread other([&] {
            for (int i = 0; i < 500; ++i)
                mixer.append(AudioStreamMixer::ComputerSound, computerSignal(i * 441, 441));
        });
        std::thread meter([&] {
            while (!done) {
                const float level = mixer.level(AudioStreamMixer::Microphone);
                QVERIFY(level >= 0 && level <= 1);
            }
        });
        mic.join();
        other.join();
        done = true;
        meter.join();
        QVERIFY(recording.wellFormed);
        // Five seconds of either, however the threads took turns.
        QVERIFY(recording.samples.size() > std::size_t(5 * outputRate - 2 * chunkFrames));
        QVERIFY(std::ranges::all_of(recording.samples,
                                    [](float s) { return std::isfinite(s) && std::abs(s) <= 1; }));
    }
};

VOXLUME_TEST_MAIN(TestAudioStreamMixer)
#include "tst_AudioStreamMixer.moc"
