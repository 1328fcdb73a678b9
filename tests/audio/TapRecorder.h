// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Platform/Audio/AudioEngine.h"

#include <mutex>
#include <vector>

/// Keeps what an engine's tap receives, on whichever thread, and counts the calls that come after
/// the test has declared the tap finished.
class TapRecorder
{
public:
    AudioEngine::Tap tap()
    {
        return [this](const AudioBufferPtr &buffer) {
            const std::lock_guard lock(m_mutex);
            m_lateCalls += m_closed;
            m_buffers.push_back(buffer);
        };
    }

    /// From now on, every call is a late one.
    void close()
    {
        const std::lock_guard lock(m_mutex);
        m_closed = true;
    }

    int lateCalls() const
    {
        const std::lock_guard lock(m_mutex);
        return m_lateCalls;
    }

    std::vector<AudioBufferPtr> buffers() const
    {
        const std::lock_guard lock(m_mutex);
        return m_buffers;
    }

    qsizetype bufferCount() const { return qsizetype(buffers().size()); }

    /// Every sample received, in order.
    std::vector<float> samples() const
    {
        std::vector<float> all;
        for (const AudioBufferPtr &buffer : buffers())
            all.insert(all.end(), buffer->samples().begin(), buffer->samples().end());
        return all;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<AudioBufferPtr> m_buffers;
    int m_lateCalls = 0;
    bool m_closed = false;
};
