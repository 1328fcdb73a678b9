// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecognitionRequest.h"

void RecognitionRequest::setAddsPunctuation(bool adds)
{
    const std::lock_guard lock(m_mutex);
    m_addsPunctuation = adds;
}

bool RecognitionRequest::addsPunctuation() const
{
    const std::lock_guard lock(m_mutex);
    return m_addsPunctuation;
}

void RecognitionRequest::append(AudioBufferPtr buffer)
{
    std::function<void()> handler;
    {
        const std::lock_guard lock(m_mutex);
        m_buffers.push_back(std::move(buffer));
        handler = m_appendHandler;
    }
    if (handler)
        handler();
}

std::vector<AudioBufferPtr> RecognitionRequest::takeBuffers()
{
    const std::lock_guard lock(m_mutex);
    return std::exchange(m_buffers, {});
}

void RecognitionRequest::setAppendHandler(std::function<void()> handler)
{
    const std::lock_guard lock(m_mutex);
    m_appendHandler = std::move(handler);
}
