// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>
#include <memory>
#include <vector>

/// A block of captured audio in the input's own rate and channel count: interleaved 32-bit float
/// samples from -1 to 1.
///
/// Immutable once made, so that one buffer can be kept, replayed and recognised from several
/// threads at once; it travels as an AudioBufferPtr.
class AudioBuffer
{
public:
    AudioBuffer(int sampleRate, int channelCount, std::vector<float> samples)
        : m_sampleRate(sampleRate)
        , m_channelCount(channelCount)
        , m_samples(std::move(samples))
    {}

    int sampleRate() const { return m_sampleRate; }
    int channelCount() const { return m_channelCount; }
    /// Interleaved: frame i, channel c is at i * channelCount() + c.
    const std::vector<float> &samples() const { return m_samples; }
    qsizetype frameCount() const
    {
        return m_channelCount > 0 ? qsizetype(m_samples.size()) / m_channelCount : 0;
    }
    /// In seconds.
    double duration() const { return m_sampleRate > 0 ? double(frameCount()) / m_sampleRate : 0.0; }

private:
    int m_sampleRate;
    int m_channelCount;
    std::vector<float> m_samples;
};

using AudioBufferPtr = std::shared_ptr<const AudioBuffer>;
