// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AudioBuffer.h"
#include "AudioLimiter.h"
#include "AudioResampler.h"

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

/// Mixes the microphone and the computer's sound into one mono stream at one rate, for
/// recognition, while each source delivers buffers at its own rate, size and pace.
///
/// The sources are kept in step by the samples each has delivered, never by wall time: the one
/// that has delivered more than its share is resampled a little slower until the other catches
/// up, so that two clocks a fraction of a percent apart never slide apart. A source that delivers
/// nothing while the other delivers stallSeconds of audio counts as silence until it delivers
/// again; it then joins at the other's present, and what it had kept back is dropped rather than
/// replayed. As only samples are compared, a burst of kept-back audio from one source looks like
/// a stall of the other, and is handled as one.
///
/// append(), removeSource() and level() may be called from any thread. The output runs on the
/// thread whose append() or removeSource() completed a chunk, under the mixer's lock, one chunk at
/// a time and in order: it must return quickly and never wait for a thread that appends, as a
/// capture thread waits for it.
class AudioStreamMixer
{
public:
    /// The sources, by the index their buffers are appended under.
    enum Source { Microphone = 0, ComputerSound = 1 };
    /// Receives each finished chunk: mono, at the output rate, of the chunk's frame count.
    using Output = std::function<void(const AudioBufferPtr &chunk)>;

    /// How much of the other source's audio a silent source may fall behind before it counts as
    /// stalled: above the largest buffers sound servers deliver, so that no live source is cut,
    /// and short enough that the other's subtitles do not wait noticeably.
    static constexpr double stallSeconds = 0.3;
    /// The microphone's gain while the computer's sound carries speech (-12 dB). The microphone
    /// then mostly hears that speech again from the speakers, a little later: lowered this far,
    /// the echo sits well under the original, so the recogniser reads the words once, while a
    /// voice talking over it still comes through.
    static constexpr float duckingGain = 0.25f;
    /// How much louder than the computer's sound the microphone must be (6 dB) to count as
    /// someone speaking into it, and to be left alone: an echo is always quieter than its source.
    static constexpr float microphoneDominance = 2.0f;
    /// The RMS level (-40 dBFS) above which the computer's sound counts as carrying speech: above
    /// the hiss of an idle output, below any talk played at a usable volume.
    static constexpr float speechLevel = 0.01f;

    /// Mixes into chunks of \a chunkFrames frames at \a outputRate Hz, handed to \a output.
    AudioStreamMixer(int outputRate, int chunkFrames, Output output);

    AudioStreamMixer(const AudioStreamMixer &) = delete;
    AudioStreamMixer &operator=(const AudioStreamMixer &) = delete;

    /// Adds the next buffer that \a source captured, in its own rate and channel count, and hands
    /// out the chunks it completes. A source that was stalled or removed joins again. Any thread;
    /// waits at most for another thread's buffer and its chunks.
    void append(Source source, const AudioBufferPtr &buffer);
    /// Counts \a source as silence from now on, until it delivers again, as when its device is
    /// unplugged; the other goes on alone at once. Any thread.
    void removeSource(Source source);
    /// The RMS level, from 0 to 1, of what \a source delivered over the last tenth of a second; 0
    /// while it is stalled or removed. Any thread; never waits.
    float level(Source source) const;
    /// The rate of the chunks, in Hz. Any thread.
    int outputRate() const { return m_outputRate; }
    /// The frame count of every chunk. Any thread.
    int chunkFrames() const { return m_chunkFrames; }

private:
    /// One source's audio, converted to mono at the output rate, waiting to be mixed.
    struct Stream
    {
        std::unique_ptr<AudioResampler> resampler;
        int channelCount = 0;
        bool live = false;
        std::vector<float> pending;
        std::size_t consumed = 0;
        /// Output samples per delivered buffer, on average.
        double meanDelivery = 0;
        double meanSquare = 0;
        std::atomic<float> level{0.0f};
        std::vector<float> mono;
        std::vector<float> converted;

        std::size_t pendingCount() const { return pending.size() - consumed; }
    };

    void convert(Stream &stream, const AudioBuffer &buffer);
    void join(Source source);
    void leave(Stream &stream);
    void measureOffset();
    void produceChunks();
    void mixChunk();
    void steerClocks();

    const int m_outputRate;
    const int m_chunkFrames;
    const Output m_output;
    std::mutex m_mutex;
    std::array<Stream, 2> m_streams;
    AudioLimiter m_limiter;
    double m_offsetSum = 0;
    int m_offsetCount = 0;
    double m_filteredOffset = 0;
    double m_rateCorrection = 0;
    float m_microphoneEnvelope = 0;
    float m_computerEnvelope = 0;
    float m_microphoneGain = 1;
    std::vector<float> m_mix;
};
