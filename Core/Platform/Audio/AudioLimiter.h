// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <deque>
#include <span>
#include <vector>

/// Keeps a mono stream within a ceiling by lowering its gain smoothly ahead of each peak and
/// raising it slowly after, rather than cutting peaks off, so that loud speech keeps its shape.
///
/// The stream comes out delayed by the look-ahead. Not thread-safe: one thread at a time, which
/// its owner's lock provides.
class AudioLimiter
{
public:
    /// The highest magnitude a sample leaves with: a little under full scale, so that a later
    /// conversion to integers cannot wrap.
    static constexpr float ceiling = 0.98f;

    /// For a stream of \a sampleRate Hz.
    explicit AudioLimiter(int sampleRate);

    /// Limits \a samples in place; each comes out latency() samples later than it went in.
    void process(std::span<float> samples);
    /// The look-ahead, in samples.
    int latency() const { return m_lookAhead; }

private:
    struct Bound
    {
        std::int64_t index;
        float gain;
    };

    const int m_lookAhead;
    const float m_release;
    std::int64_t m_index = 0;
    /// The input of the last m_lookAhead samples, waiting to come out.
    std::vector<float> m_delayed;
    /// The lowest gain any sample of the look-ahead window needs, as a rising sequence.
    std::deque<Bound> m_lowest;
    /// The gains of the window after release, whose mean is applied.
    std::vector<float> m_released;
    double m_releasedSum = 0;
    float m_lastReleased = 1;
};
