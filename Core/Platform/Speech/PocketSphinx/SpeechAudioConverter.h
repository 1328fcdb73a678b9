// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Platform/Audio/AudioBuffer.h"

#include <QtGlobal>
#include <memory>
#include <vector>

struct SpeexResamplerState_;

/// Turns captured audio into what a decoder hears: one channel of 16-bit samples at the decoder's
/// rate.
///
/// Channels are averaged, then resampled with speexdsp at its desktop quality. The resampler's
/// state carries from one buffer to the next, so consecutive buffers join without a seam; a buffer
/// at another rate than the one before starts afresh. One converter per task, used by one thread
/// at a time (the decoder's worker: conversion never runs on the audio or main thread).
class SpeechAudioConverter
{
public:
    /// Converts to \a outputRate samples a second.
    explicit SpeechAudioConverter(int outputRate);
    ~SpeechAudioConverter();
    SpeechAudioConverter(const SpeechAudioConverter &) = delete;
    SpeechAudioConverter &operator=(const SpeechAudioConverter &) = delete;

    /// Appends \a buffer's audio to \a samples. A buffer with no channels, or with a rate that no
    /// capture device has (below 4 kHz or above 384 kHz), adds nothing; samples that are not finite
    /// count as silence.
    void convert(const AudioBuffer &buffer, std::vector<qint16> &samples);

private:
    struct ResamplerDeleter
    {
        void operator()(SpeexResamplerState_ *resampler) const;
    };

    bool prepareFor(int inputRate);
    void mixToMono(const AudioBuffer &buffer);
    void resample(std::vector<qint16> &samples);

    const int m_outputRate;
    int m_inputRate = 0;
    std::unique_ptr<SpeexResamplerState_, ResamplerDeleter> m_resampler;
    // Kept between calls so that a steady stream of buffers allocates nothing.
    std::vector<float> m_mono;
    std::vector<float> m_resampled;
};
