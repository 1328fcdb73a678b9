// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioTapHolder.h"

void AudioTapHolder::install(int frameCount, AudioEngine::Tap tap)
{
    m_frameCount = frameCount;
    m_tap = std::move(tap);
    if (m_feeder && !m_held)
        m_feeder->setTap(m_frameCount, m_tap);
}

void AudioTapHolder::remove()
{
    m_tap = nullptr;
    if (m_feeder)
        m_feeder->setTap(m_frameCount, nullptr);
}

std::shared_ptr<AudioTapFeeder> AudioTapHolder::beginRun()
{
    m_held = false;
    m_feeder = std::make_shared<AudioTapFeeder>(m_frameCount, m_tap);
    return m_feeder;
}

std::shared_ptr<AudioTapFeeder> AudioTapHolder::beginHeldRun()
{
    m_held = true;
    m_feeder = std::make_shared<AudioTapFeeder>(m_frameCount, nullptr);
    return m_feeder;
}

void AudioTapHolder::releaseRun()
{
    m_held = false;
    if (m_feeder)
        m_feeder->setTap(m_frameCount, m_tap);
}

void AudioTapHolder::closeRun()
{
    if (m_feeder)
        m_feeder->close();
}

void AudioTapHolder::endRun()
{
    dropNextRun();
    closeRun();
    m_feeder.reset();
    m_held = false;
}

std::shared_ptr<AudioTapFeeder> AudioTapHolder::beginNextRun()
{
    dropNextRun();
    m_next = std::make_shared<AudioTapFeeder>(m_frameCount, nullptr);
    return m_next;
}

void AudioTapHolder::switchToNextRun()
{
    if (!m_next)
        return;
    if (m_feeder)
        m_next->takeOver(*m_feeder, m_frameCount, m_tap);
    else
        m_next->setTap(m_frameCount, m_tap);
    m_feeder = std::exchange(m_next, nullptr);
    m_held = false;
}

void AudioTapHolder::dropNextRun()
{
    if (m_next)
        m_next->close();
    m_next.reset();
}
