// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Platform/Audio/AudioEngine.h"

#include <atomic>
#include <mutex>
#include <vector>

/// Keeps what an engine's tap receives, on whichever thread.
struct TapRecorder
{
    AudioEngine::Tap tap()
    {
        return [this](const AudioBufferPtr &buffer) {
            lateCalls += closed;
            const std::lock_guard lock(mutex);
            received.push_back(buffer);
        };
    }

    std::vector<AudioBufferPtr> buffers() const
    {
        const std::lock_guard lock(mutex);
        return received;
    }

    /// Every sample received, in order.
    std::vector<float> samples() const
    {
        std::vector<float> all;
        for (const AudioBufferPtr &buffer : buffers())
            all.insert(all.end(), buffer->samples().begin(), buffer->samples().end());
        return all;
    }

    /// Set once stop() or removeTap() has returned: every call after is a late one.
    std::atomic<bool> closed = false;
    std::atomic<int> lateCalls = 0;
    mutable std::mutex mutex;
    std::vector<AudioBufferPtr> received;
};
