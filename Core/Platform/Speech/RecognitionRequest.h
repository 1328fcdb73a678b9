// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Platform/Audio/AudioBuffer.h"

#include <functional>
#include <mutex>
#include <vector>

/// The audio a recognition task is to hear: buffers appended in order, from any thread, before
/// and after a task is attached to it.
///
/// The lock is a std::mutex, which ThreadSanitizer sees.
class RecognitionRequest
{
public:
    RecognitionRequest() = default;
    RecognitionRequest(const RecognitionRequest &) = delete;
    RecognitionRequest &operator=(const RecognitionRequest &) = delete;

    /// Whether hypotheses are to carry punctuation.
    void setAddsPunctuation(bool adds);
    bool addsPunctuation() const;

    /// Adds \a buffer after those appended before. Any thread; never waits for recognition.
    void append(AudioBufferPtr buffer);

    /// The buffers appended since the last take, oldest first. For the task that consumes them.
    std::vector<AudioBufferPtr> takeBuffers();

    /// Called, on the appending thread, after every append: how a consumer learns that audio
    /// waits. Set it before appending from another thread; pass nothing to stop the calls.
    void setAppendHandler(std::function<void()> handler);

private:
    mutable std::mutex m_mutex;
    std::vector<AudioBufferPtr> m_buffers;
    std::function<void()> m_appendHandler;
    bool m_addsPunctuation = false;
};
