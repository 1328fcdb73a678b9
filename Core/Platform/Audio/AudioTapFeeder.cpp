// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioTapFeeder.h"

#include <algorithm>
#include <utility>

AudioTapFeeder::AudioTapFeeder(int frameCount, AudioEngine::Tap tap)
    : m_tap(std::move(tap))
    , m_frameCount(std::max(frameCount, 1))
{}

void AudioTapFeeder::setTap(int frameCount, AudioEngine::Tap tap)
{
    const std::lock_guard lock(m_mutex);
    if (m_closed)
        return;
    m_tap = std::move(tap);
    m_frameCount = std::max(frameCount, 1);
}

void AudioTapFeeder::close()
{
    const std::lock_guard lock(m_mutex);
    m_closed = true;
    m_tap = nullptr;
    m_block = {};
}

void AudioTapFeeder::takeOver(AudioTapFeeder &previous, int frameCount, AudioEngine::Tap tap)
{
    const std::scoped_lock lock(m_mutex, previous.m_mutex);
    if (previous.m_sampleRate == m_sampleRate && previous.m_channelCount == m_channelCount)
        m_block = std::exchange(previous.m_block, {});
    previous.m_closed = true;
    previous.m_tap = nullptr;
    previous.m_block = {};
    m_tap = std::move(tap);
    m_frameCount = std::max(frameCount, 1);
}

void AudioTapFeeder::setFormat(int sampleRate, int channelCount)
{
    const std::lock_guard lock(m_mutex);
    m_sampleRate = sampleRate;
    m_channelCount = std::max(channelCount, 1);
    m_block.clear();
}

void AudioTapFeeder::append(std::span<const float> samples)
{
    const std::lock_guard lock(m_mutex);
    if (!m_tap) {
        // What was kept for a tap that went away would make a seam in the next one's first block.
        m_block.clear();
        return;
    }
    while (!samples.empty()) {
        const std::size_t room = blockSize() - std::min(m_block.size(), blockSize());
        const std::size_t taken = std::min(room, samples.size());
        m_block.insert(m_block.end(), samples.begin(), samples.begin() + taken);
        samples = samples.subspan(taken);
        if (m_block.size() >= blockSize())
            deliverBlock();
    }
}

void AudioTapFeeder::flush()
{
    const std::lock_guard lock(m_mutex);
    // A partial frame cannot be delivered; it goes with the rest.
    m_block.resize(m_block.size() - m_block.size() % m_channelCount);
    if (m_tap && !m_block.empty())
        deliverBlock();
}

std::size_t AudioTapFeeder::blockSize() const
{
    return std::size_t(m_frameCount) * m_channelCount;
}

void AudioTapFeeder::deliverBlock()
{
    const auto buffer =
        std::make_shared<const AudioBuffer>(m_sampleRate, m_channelCount, std::move(m_block));
    m_block = {};
    m_block.reserve(blockSize());
    m_tap(buffer);
}
