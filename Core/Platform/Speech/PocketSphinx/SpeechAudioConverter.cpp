// SPDX-License-Identifier: GPL-3.0-or-later
#include "SpeechAudioConverter.h"

#include <speex/speex_resampler.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int lowestRate = 4'000;
constexpr int highestRate = 384'000;

qint16 toSample(float value)
{
    constexpr float lowest = std::numeric_limits<qint16>::min();
    constexpr float highest = std::numeric_limits<qint16>::max();
    return qint16(std::lrint(std::clamp(value, lowest, highest)));
}

} // namespace

void SpeechAudioConverter::ResamplerDeleter::operator()(SpeexResamplerState_ *resampler) const
{
    speex_resampler_destroy(resampler);
}

SpeechAudioConverter::SpeechAudioConverter(int outputRate)
    : m_outputRate(outputRate)
{}

SpeechAudioConverter::~SpeechAudioConverter() = default;

void SpeechAudioConverter::convert(const AudioBuffer &buffer, std::vector<qint16> &samples)
{
    if (buffer.channelCount() <= 0 || buffer.frameCount() == 0 || !prepareFor(buffer.sampleRate()))
        return;
    mixToMono(buffer);
    if (!m_resampler) {
        std::transform(m_mono.cbegin(), m_mono.cend(), std::back_inserter(samples), toSample);
        return;
    }
    resample(samples);
}

bool SpeechAudioConverter::prepareFor(int inputRate)
{
    if (inputRate < lowestRate || inputRate > highestRate)
        return false;
    if (inputRate == m_inputRate)
        return true;
    m_resampler.reset();
    m_inputRate = inputRate;
    if (inputRate == m_outputRate)
        return true;
    int error = RESAMPLER_ERR_SUCCESS;
    m_resampler.reset(speex_resampler_init(1, spx_uint32_t(inputRate), spx_uint32_t(m_outputRate),
                                           SPEEX_RESAMPLER_QUALITY_DESKTOP, &error));
    if (!m_resampler) {
        m_inputRate = 0;
        return false;
    }
    // Without this the filter's delay would shift every word a little later than it was said.
    speex_resampler_skip_zeros(m_resampler.get());
    return true;
}

// Scaled to the 16-bit range here, so that the resampler's output needs only rounding.
void SpeechAudioConverter::mixToMono(const AudioBuffer &buffer)
{
    const int channels = buffer.channelCount();
    const float scale = 32768.0f / float(channels);
    const float *frame = buffer.samples().data();
    m_mono.resize(size_t(buffer.frameCount()));
    for (float &mono : m_mono) {
        float sum = 0.0f;
        for (int channel = 0; channel < channels; ++channel)
            sum += frame[channel];
        mono = std::isfinite(sum) ? sum * scale : 0.0f;
        frame += channels;
    }
}

void SpeechAudioConverter::resample(std::vector<qint16> &samples)
{
    const double ratio = double(m_outputRate) / m_inputRate;
    m_resampled.resize(size_t(std::ceil(double(m_mono.size()) * ratio)) + 16);
    const float *input = m_mono.data();
    spx_uint32_t remaining = spx_uint32_t(m_mono.size());
    while (remaining > 0) {
        spx_uint32_t consumed = remaining;
        spx_uint32_t produced = spx_uint32_t(m_resampled.size());
        speex_resampler_process_float(m_resampler.get(), 0, input, &consumed, m_resampled.data(),
                                      &produced);
        std::transform(m_resampled.cbegin(), m_resampled.cbegin() + produced,
                       std::back_inserter(samples), toSample);
        if (consumed == 0 && produced == 0)
            return;
        input += consumed;
        remaining -= consumed;
    }
}
