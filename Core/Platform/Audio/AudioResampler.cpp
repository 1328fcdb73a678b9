// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioResampler.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Zero crossings of the sinc on each side: enough to keep aliases some 60 dB down for speech,
// while a minute of audio costs a fraction of a percent of a core.
constexpr int zeroCrossings = 8;
// Offsets between two input samples with a filter row of their own; the rest are interpolated
// linearly, which at this many stays below the filter's own error.
constexpr int phaseCount = 128;
// The share of the lower Nyquist frequency kept: the filter's transition band fits above it.
constexpr double passband = 0.88;
// Kaiser window shape: side lobes near -60 dB with a transition narrow enough for the taps above.
constexpr double kaiserBeta = 6.0;

// The modified Bessel function of order 0, by its series, which converges fast for the window.
double besselI0(double x)
{
    double sum = 1, term = 1;
    for (int k = 1; k < 50 && term > sum * 1e-12; ++k) {
        term *= (x / (2 * k)) * (x / (2 * k));
        sum += term;
    }
    return sum;
}

} // namespace

AudioResampler::AudioResampler(int inputRate, int outputRate)
    : m_inputRate(inputRate)
    , m_nominalStep(double(inputRate) / outputRate)
    , m_step(m_nominalStep)
{
    // Cut-off in cycles per input sample: below the lower of the two Nyquist frequencies.
    const double cutoff = 0.5 * passband * std::min(1.0, double(outputRate) / inputRate);
    const int halfWidth = int(std::ceil(zeroCrossings / (2 * cutoff)));
    // A multiple of four lets the dot product run in four independent sums.
    m_tapCount = (2 * halfWidth + 3) / 4 * 4;
    const int half = m_tapCount / 2;
    const double windowNorm = besselI0(kaiserBeta);
    m_kernel.resize(std::size_t(phaseCount + 1) * m_tapCount);
    for (int phase = 0; phase <= phaseCount; ++phase) {
        float *row = &m_kernel[std::size_t(phase) * m_tapCount];
        double sum = 0;
        for (int tap = 0; tap < m_tapCount; ++tap) {
            const double x = tap - half + 1 - double(phase) / phaseCount;
            const double u = x / half;
            const double window =
                std::abs(u) >= 1 ? 0 : besselI0(kaiserBeta * std::sqrt(1 - u * u)) / windowNorm;
            const double arg = 2 * cutoff * x;
            const double sinc =
                arg == 0 ? 1 : std::sin(std::numbers::pi * arg) / (std::numbers::pi * arg);
            row[tap] = float(2 * cutoff * sinc * window);
            sum += row[tap];
        }
        // Every row passes a constant unchanged, so that no offset ripples with the phase.
        for (int tap = 0; tap < m_tapCount; ++tap)
            row[tap] = float(row[tap] / sum);
    }
    // The first output sample lies on the first input sample, with silence before it.
    m_history.assign(std::size_t(half - 1), 0.0f);
    m_position = half - 1;
}

void AudioResampler::setRateAdjustment(double factor)
{
    m_step = m_nominalStep * factor;
}

void AudioResampler::process(std::span<const float> input, std::vector<float> &output)
{
    m_history.insert(m_history.end(), input.begin(), input.end());
    const int half = m_tapCount / 2;
    const auto available = std::ptrdiff_t(m_history.size());
    for (;;) {
        const auto centre = std::ptrdiff_t(m_position);
        if (centre + half >= available)
            break;
        output.push_back(interpolate(m_position));
        m_position += m_step;
    }
    const std::ptrdiff_t consumed =
        std::clamp<std::ptrdiff_t>(std::ptrdiff_t(m_position) - half + 1, 0, available);
    m_history.erase(m_history.begin(), m_history.begin() + consumed);
    m_position -= double(consumed);
}

float AudioResampler::interpolate(double position) const
{
    const auto centre = std::ptrdiff_t(position);
    const double phase = (position - double(centre)) * phaseCount;
    const int row = std::min(int(phase), phaseCount - 1);
    const auto between = float(phase - row);
    const float *a = &m_kernel[std::size_t(row) * m_tapCount];
    const float *b = a + m_tapCount;
    const float *x = &m_history[std::size_t(centre - m_tapCount / 2 + 1)];
    float a0 = 0, a1 = 0, a2 = 0, a3 = 0, b0 = 0, b1 = 0, b2 = 0, b3 = 0;
    for (int tap = 0; tap < m_tapCount; tap += 4) {
        a0 += a[tap] * x[tap];
        a1 += a[tap + 1] * x[tap + 1];
        a2 += a[tap + 2] * x[tap + 2];
        a3 += a[tap + 3] * x[tap + 3];
        b0 += b[tap] * x[tap];
        b1 += b[tap + 1] * x[tap + 1];
        b2 += b[tap + 2] * x[tap + 2];
        b3 += b[tap + 3] * x[tap + 3];
    }
    const float low = (a0 + a1) + (a2 + a3);
    const float high = (b0 + b1) + (b2 + b3);
    return low + between * (high - low);
}
