// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioStreamMixer.h"

#include <algorithm>
#include <cmath>

namespace {

// The offset between the sources is read from buffer arrivals, which jump by a buffer at a
// time; smoothing over this long leaves a steady figure to steer by.
constexpr double offsetSmoothingSeconds = 2.0;
// The time the steering gives itself to take up an offset: slow enough that the ratio change
// is inaudible and the arrival jitter left after smoothing moves it by far less than it corrects.
constexpr double steeringSeconds = 4.0;
// How much slower the steering learns the clocks' lasting difference, so that it settles without
// overshooting.
constexpr double learningFactor = 4.0;
// Sound cards keep within a few hundredths of a percent of their rate; more than this is a broken
// count rather than a clock, and is not followed.
constexpr double maxRateCorrection = 0.01;
// The meter follows the level this fast, like the single-source meter's bar.
constexpr double levelSeconds = 0.1;
// The speech measure holds this long, so that the ducking does not lift between syllables.
constexpr double envelopeReleaseSeconds = 0.5;
// The ducking gain glides with this time constant, so that its changes do not click.
constexpr double gainGlideSeconds = 0.02;

double rms(const float *samples, std::size_t count)
{
    double sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum += double(samples[i]) * samples[i];
    return count > 0 ? std::sqrt(sum / double(count)) : 0.0;
}

} // namespace

AudioStreamMixer::AudioStreamMixer(int outputRate, int chunkFrames, Output output)
    : m_outputRate(outputRate)
    , m_chunkFrames(chunkFrames)
    , m_output(std::move(output))
    , m_limiter(outputRate)
    , m_mix(std::size_t(chunkFrames))
{}

void AudioStreamMixer::append(Source source, const AudioBufferPtr &buffer)
{
    if (!buffer || buffer->sampleRate() <= 0 || buffer->frameCount() == 0)
        return;
    const std::lock_guard lock(m_mutex);
    Stream &stream = m_streams[source];
    if (stream.resampler && (stream.resampler->inputRate() != buffer->sampleRate() ||
                             stream.channelCount != buffer->channelCount()))
        leave(stream);
    convert(stream, *buffer);
    if (stream.live)
        stream.pending.insert(stream.pending.end(), stream.converted.begin(),
                              stream.converted.end());
    else
        join(source);
    measureOffset();
    produceChunks();
}

void AudioStreamMixer::removeSource(Source source)
{
    const std::lock_guard lock(m_mutex);
    leave(m_streams[source]);
    // Another device may come in its place, with a clock of its own.
    m_rateCorrection = 0;
    produceChunks();
}

float AudioStreamMixer::level(Source source) const
{
    return m_streams[source].level.load(std::memory_order_relaxed);
}

void AudioStreamMixer::convert(Stream &stream, const AudioBuffer &buffer)
{
    if (!stream.resampler) {
        stream.resampler = std::make_unique<AudioResampler>(buffer.sampleRate(), m_outputRate);
        stream.channelCount = buffer.channelCount();
        stream.meanDelivery = 0;
    }
    const int channels = buffer.channelCount();
    const auto frames = std::size_t(buffer.frameCount());
    const float *samples = buffer.samples().data();
    stream.mono.resize(frames);
    if (channels == 1) {
        std::copy_n(samples, frames, stream.mono.begin());
    } else {
        const float share = 1.0f / float(channels);
        for (std::size_t frame = 0; frame < frames; ++frame) {
            float sum = 0;
            for (int channel = 0; channel < channels; ++channel)
                sum += samples[frame * channels + channel];
            stream.mono[frame] = sum * share;
        }
    }
    stream.converted.clear();
    stream.resampler->process(stream.mono, stream.converted);

    const auto count = double(stream.converted.size());
    stream.meanDelivery =
        stream.meanDelivery == 0 ? count : stream.meanDelivery + (count - stream.meanDelivery) / 16;
    const double weight = 1 - std::exp(-count / (levelSeconds * m_outputRate));
    const double level = rms(stream.converted.data(), stream.converted.size());
    stream.meanSquare += (level * level - stream.meanSquare) * weight;
    stream.level.store(float(std::sqrt(stream.meanSquare)), std::memory_order_relaxed);
}

// The buffer just converted ends now; the other source's audio ends when it last delivered, on
// average half of its buffer ago. The joining source is lined up with that, with silence before
// it, or with its oldest samples dropped when they lie before what was already mixed.
void AudioStreamMixer::join(Source source)
{
    Stream &stream = m_streams[source];
    const Stream &other = m_streams[1 - source];
    stream.pending.clear();
    stream.consumed = 0;
    stream.live = true;
    if (!other.live) {
        stream.pending = stream.converted;
        return;
    }
    const auto wanted = std::ptrdiff_t(double(other.pendingCount()) + other.meanDelivery / 2);
    const auto have = std::ptrdiff_t(stream.converted.size());
    if (have >= wanted) {
        stream.pending.assign(stream.converted.end() - wanted, stream.converted.end());
    } else {
        stream.pending.assign(std::size_t(wanted - have), 0.0f);
        stream.pending.insert(stream.pending.end(), stream.converted.begin(),
                              stream.converted.end());
    }
    m_filteredOffset = 0;
    m_offsetSum = 0;
    m_offsetCount = 0;
}

void AudioStreamMixer::leave(Stream &stream)
{
    stream.resampler.reset();
    stream.live = false;
    stream.pending.clear();
    stream.consumed = 0;
    stream.meanSquare = 0;
    stream.level.store(0, std::memory_order_relaxed);
    for (Stream &each : m_streams) {
        if (each.resampler)
            each.resampler->setRateAdjustment(1);
    }
}

// How far the microphone's pending audio is ahead of the computer's, in output samples. Read
// just after a delivery, the delivering source is complete up to now and the other lags by part
// of its buffer; over many deliveries of both that part averages to half the difference of their
// buffer lengths, which is taken off.
void AudioStreamMixer::measureOffset()
{
    const Stream &microphone = m_streams[Microphone];
    const Stream &computer = m_streams[ComputerSound];
    if (!microphone.live || !computer.live)
        return;
    m_offsetSum += double(microphone.pendingCount()) - double(computer.pendingCount()) -
                   (computer.meanDelivery - microphone.meanDelivery) / 2;
    ++m_offsetCount;
}

void AudioStreamMixer::produceChunks()
{
    const auto chunk = std::size_t(m_chunkFrames);
    const auto stallFrames = std::size_t(stallSeconds * m_outputRate);
    for (;;) {
        bool anyLive = false;
        bool short_ = false;
        std::size_t most = 0;
        for (const Stream &stream : m_streams) {
            if (!stream.live)
                continue;
            anyLive = true;
            short_ = short_ || stream.pendingCount() < chunk;
            most = std::max(most, stream.pendingCount());
        }
        if (!anyLive || (short_ && most < chunk + stallFrames))
            return;
        // The stalled source's last samples go out with this chunk, then it counts as silence.
        std::array<bool, 2> stalled{};
        for (std::size_t i = 0; i < m_streams.size(); ++i) {
            Stream &stream = m_streams[i];
            if (stream.live && stream.pendingCount() < chunk) {
                stream.pending.resize(stream.consumed + chunk, 0.0f);
                stalled[i] = true;
            }
        }
        mixChunk();
        for (std::size_t i = 0; i < m_streams.size(); ++i) {
            if (stalled[i])
                leave(m_streams[i]);
        }
    }
}

void AudioStreamMixer::mixChunk()
{
    const auto chunk = std::size_t(m_chunkFrames);
    Stream &microphone = m_streams[Microphone];
    Stream &computer = m_streams[ComputerSound];
    const float *mic = microphone.live ? &microphone.pending[microphone.consumed] : nullptr;
    const float *other = computer.live ? &computer.pending[computer.consumed] : nullptr;

    const double chunkSeconds = double(chunk) / m_outputRate;
    const auto hold = float(std::exp(-chunkSeconds / envelopeReleaseSeconds));
    m_microphoneEnvelope =
        std::max(mic ? float(rms(mic, chunk)) : 0.0f, m_microphoneEnvelope * hold);
    m_computerEnvelope =
        std::max(other ? float(rms(other, chunk)) : 0.0f, m_computerEnvelope * hold);
    const bool ducked = m_computerEnvelope > speechLevel &&
                        m_microphoneEnvelope < m_computerEnvelope * microphoneDominance;
    const float target = ducked ? duckingGain : 1.0f;
    const auto glide = float(1 - std::exp(-1.0 / (gainGlideSeconds * m_outputRate)));

    for (std::size_t i = 0; i < chunk; ++i) {
        m_microphoneGain += (target - m_microphoneGain) * glide;
        m_mix[i] = (mic ? mic[i] * m_microphoneGain : 0.0f) + (other ? other[i] : 0.0f);
    }
    m_limiter.process(m_mix);

    steerClocks();
    for (Stream *stream : {&microphone, &computer}) {
        if (!stream->live)
            continue;
        stream->consumed += chunk;
        if (stream->consumed * 2 > stream->pending.size()) {
            stream->pending.erase(stream->pending.begin(),
                                  stream->pending.begin() + std::ptrdiff_t(stream->consumed));
            stream->consumed = 0;
        }
    }
    m_output(std::make_shared<const AudioBuffer>(m_outputRate, 1, m_mix));
}

// A proportional and integral control: the proportional part takes up an offset within
// steeringSeconds, the integral part learns the clocks' lasting difference so that no offset is
// left standing. Half the correction goes to each source, keeping the output near both rates.
void AudioStreamMixer::steerClocks()
{
    Stream &microphone = m_streams[Microphone];
    Stream &computer = m_streams[ComputerSound];
    if (!microphone.live || !computer.live || m_offsetCount == 0)
        return;
    const double offset = m_offsetSum / m_offsetCount;
    m_offsetSum = 0;
    m_offsetCount = 0;
    const double chunkSeconds = double(m_chunkFrames) / m_outputRate;
    m_filteredOffset +=
        (offset - m_filteredOffset) * (1 - std::exp(-chunkSeconds / offsetSmoothingSeconds));
    const double proportional = m_filteredOffset / (m_outputRate * steeringSeconds);
    m_rateCorrection = std::clamp(m_rateCorrection + proportional * chunkSeconds /
                                                         (steeringSeconds * learningFactor),
                                  -maxRateCorrection, maxRateCorrection);
    const double correction =
        std::clamp(proportional + m_rateCorrection, -maxRateCorrection, maxRateCorrection);
    microphone.resampler->setRateAdjustment(1 + correction / 2);
    computer.resampler->setRateAdjustment(1 - correction / 2);
}
