// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioLimiter.h"

#include <algorithm>
#include <cmath>

namespace {

// Long enough for the gain to glide down over a few cycles of a voice's fundamental, short
// enough that the delay does not matter to live subtitles.
constexpr double lookAheadSeconds = 0.005;
// Slow enough that the gain does not follow the waveform between peaks, which would distort it,
// quick enough that a quiet word after a loud one is not lost.
constexpr double releaseSeconds = 0.15;

} // namespace

AudioLimiter::AudioLimiter(int sampleRate)
    : m_lookAhead(std::max(1, int(std::lround(lookAheadSeconds * sampleRate))))
    , m_release(float(1 - std::exp(-1.0 / (releaseSeconds * sampleRate))))
    , m_delayed(std::size_t(m_lookAhead), 0.0f)
    , m_released(std::size_t(m_lookAhead) + 1, 1.0f)
    , m_releasedSum(double(m_lookAhead) + 1)
{}

// The gain applied to a sample is the mean of the released gains over the look-ahead window that
// ends with it; every one of them is at most the gain that the sample needs, as each comes from a
// minimum over a window holding it, so the mean keeps the sample within the ceiling while moving
// in ramps rather than steps.
void AudioLimiter::process(std::span<float> samples)
{
    const auto window = std::int64_t(m_lookAhead) + 1;
    for (float &sample : samples) {
        const float magnitude = std::abs(sample);
        const float needed = magnitude > ceiling ? ceiling / magnitude : 1.0f;
        while (!m_lowest.empty() && m_lowest.back().gain >= needed)
            m_lowest.pop_back();
        m_lowest.push_back({m_index, needed});
        while (m_lowest.front().index <= m_index - window)
            m_lowest.pop_front();

        const float released =
            std::min(m_lowest.front().gain, m_lastReleased + (1 - m_lastReleased) * m_release);
        m_lastReleased = released;
        float &oldest = m_released[std::size_t(m_index % window)];
        m_releasedSum += double(released) - double(oldest);
        oldest = released;
        const float gain = float(m_releasedSum / double(window));

        float &delayed = m_delayed[std::size_t(m_index % m_lookAhead)];
        const float out = delayed * gain;
        delayed = sample;
        // Only rounding of the running sum could pass the ceiling.
        sample = std::clamp(out, -ceiling, ceiling);
        ++m_index;
    }
}
