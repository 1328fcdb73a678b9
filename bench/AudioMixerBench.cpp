// SPDX-License-Identifier: GPL-3.0-or-later
// What mixing the microphone and the computer's sound costs the capture threads: the CPU time to
// mix one minute of two 48 kHz stereo streams, and the share of one core that takes while live.

#include "Platform/Audio/AudioStreamMixer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <numbers>
#include <vector>

namespace {

constexpr int inputRate = 48000;
constexpr int bufferFrames = 480;
constexpr int seconds = 60;

double cpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// A second of a voice-like stereo signal: a few harmonics with a syllable-rate envelope and a
// little noise, so that ducking and the limiter both work.
std::vector<AudioBufferPtr> voice(double pitch, double amplitude)
{
    std::vector<AudioBufferPtr> buffers;
    unsigned noise = 12345;
    for (int first = 0; first < inputRate; first += bufferFrames) {
        std::vector<float> samples(std::size_t(bufferFrames) * 2);
        for (int i = 0; i < bufferFrames; ++i) {
            const double t = double(first + i) / inputRate;
            double value = 0;
            for (int harmonic = 1; harmonic <= 5; ++harmonic)
                value += std::sin(2 * std::numbers::pi * pitch * harmonic * t) / harmonic;
            value *= 0.5 + 0.5 * std::sin(2 * std::numbers::pi * 4 * t);
            noise = noise * 1103515245 + 12345;
            value += (double(noise >> 16 & 0x7fff) / 0x7fff - 0.5) * 0.05;
            samples[std::size_t(i) * 2] = samples[std::size_t(i) * 2 + 1] =
                float(amplitude * value);
        }
        buffers.push_back(std::make_shared<const AudioBuffer>(inputRate, 2, std::move(samples)));
    }
    return buffers;
}

} // namespace

int main()
{
    const std::vector<AudioBufferPtr> microphone = voice(140, 0.4);
    const std::vector<AudioBufferPtr> computer = voice(210, 0.6);
    std::vector<double> runs;
    for (int run = 0; run < 5; ++run) {
        std::size_t frames = 0;
        AudioStreamMixer mixer(16000, 1024,
                               [&](const AudioBufferPtr &chunk) { frames += chunk->frameCount(); });
        const double start = cpuSeconds();
        for (int second = 0; second < seconds; ++second) {
            for (std::size_t i = 0; i < microphone.size(); ++i) {
                mixer.append(AudioStreamMixer::Microphone, microphone[i]);
                mixer.append(AudioStreamMixer::ComputerSound, computer[i]);
            }
        }
        runs.push_back(cpuSeconds() - start);
        if (frames < std::size_t(seconds - 1) * 16000)
            std::printf("only %zu frames came out\n", frames);
    }
    std::sort(runs.begin(), runs.end());
    const double median = runs[runs.size() / 2];
    std::printf("mix %d s of two 48 kHz stereo streams into 16 kHz mono: median %.1f ms CPU "
                "(best %.1f ms) of %zu runs, %.3f%% of one core\n",
                seconds, median * 1e3, runs.front() * 1e3, runs.size(), 100 * median / seconds);
}
