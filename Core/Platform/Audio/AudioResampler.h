// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <span>
#include <vector>

/// Converts mono samples from one rate to another through a windowed-sinc filter whose ratio can
/// be nudged while it runs, so that a stream can follow a capture clock a little fast or slow.
///
/// Not thread-safe: one thread at a time, which its owner's lock provides.
class AudioResampler
{
public:
    /// Converts from \a inputRate to \a outputRate, both in Hz and positive.
    AudioResampler(int inputRate, int outputRate);

    /// The rate of the samples that process() takes.
    int inputRate() const { return m_inputRate; }
    /// Consumes \a factor times the nominal input per output sample from now on: above 1 yields
    /// fewer output samples. Meant for factors within a percent of 1, which need no new filter.
    void setRateAdjustment(double factor);
    /// Filters \a input, the samples that follow those of the previous call, and appends to
    /// \a output every sample whose inputs have all arrived. Output sample k lies on input sample
    /// k times the ratio, with no delay, so that streams of different rates stay in step.
    void process(std::span<const float> input, std::vector<float> &output);

private:
    float interpolate(double position) const;

    const int m_inputRate;
    const double m_nominalStep;
    int m_tapCount = 0;
    /// One row of m_tapCount taps for each of phaseCount + 1 offsets between input samples.
    std::vector<float> m_kernel;
    /// The input not consumed yet, with the taps that the next output still reaches back to.
    std::vector<float> m_history;
    /// Where the next output sample lies, in samples of m_history.
    double m_position = 0;
    double m_step = 0;
};
