// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AudioEngine.h"

#include <mutex>
#include <span>
#include <vector>

/// Cuts an engine's stream of samples into blocks of the tap's frame count and hands each block to
/// the tap.
///
/// One feeder serves one run of an engine: the engine's capture thread feeds it, the main thread
/// replaces the tap and closes it. The tap runs under the feeder's lock, so that replacing the tap
/// or closing waits for a call under way, and the old tap is never called once they return. The
/// tap must therefore never wait for the main thread.
class AudioTapFeeder
{
public:
    /// Feeds \a tap, when set, with blocks of \a frameCount frames.
    AudioTapFeeder(int frameCount, AudioEngine::Tap tap);

    AudioTapFeeder(const AudioTapFeeder &) = delete;
    AudioTapFeeder &operator=(const AudioTapFeeder &) = delete;

    /// Replaces the tap; an empty one drops the samples. Main thread.
    void setTap(int frameCount, AudioEngine::Tap tap);
    /// Ends the run: no tap is called after this returns, and later samples are dropped. Main
    /// thread.
    void close();
    /// Closes \a previous and goes on where it stopped: with \a tap, and with the samples of its
    /// incomplete block when both have the same format, so that a change of device adds no seam
    /// to the stream of blocks. Main thread.
    void takeOver(AudioTapFeeder &previous, int frameCount, AudioEngine::Tap tap);

    /// The rate and channel count of the samples appended from now on. Before feeding starts, or
    /// on the capture thread.
    void setFormat(int sampleRate, int channelCount);
    /// Adds interleaved samples, handing every block they complete to the tap. Capture thread.
    void append(std::span<const float> samples);
    /// Hands the samples of an incomplete block to the tap, as a shorter block. Capture thread.
    void flush();

private:
    std::size_t blockSize() const;
    void deliverBlock();

    std::mutex m_mutex;
    AudioEngine::Tap m_tap;
    int m_frameCount;
    int m_sampleRate = 0;
    int m_channelCount = 1;
    std::vector<float> m_block;
    bool m_closed = false;
};
