// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AudioBuffer.h"
#include "Base/Error.h"

#include <QFuture>
#include <QList>
#include <functional>
#include <optional>

/// Audio capture: delivers the input's audio, block by block, to one tap.
///
/// Create, configure and control it on the main thread. The tap runs on a capture thread of the
/// engine's own; it must only hand the buffer on, never wait. After stop() or removeTap() return,
/// the tap is not running and is not called again.
class AudioEngine
{
public:
    /// Receives each captured block, on the capture thread.
    using Tap = std::function<void(const AudioBufferPtr &buffer)>;

    virtual ~AudioEngine() = default;

    /// Whether capture runs: from a successful start() to stop(), or to a failure.
    virtual bool isRunning() const = 0;

    /// How loud each input is, from 0 to 1 (RMS), for a meter per input, for an engine that
    /// mixes several; empty for one input, whose level the tap's audio tells. Main thread.
    virtual QList<float> inputLevels() const { return {}; }
    /// Sets the tap for the input, with blocks of \a frameCount frames in the input's own format.
    virtual void installTap(int frameCount, Tap tap) = 0;
    virtual void removeTap() = 0;

    /// Quick set-up that start() needs, done right before it.
    virtual void prepare() = 0;
    /// Readies the next start() without keeping the main thread waiting: once the future has
    /// finished, start() returns at once, with capture running or with the error that the
    /// preparation met. A start() without one does the same work itself, and waits for it. Calls
    /// while a preparation is under way share it.
    virtual QFuture<void> prepareToStart() { return QtFuture::makeReadyFuture(); }
    /// Starts capture; an error when it cannot (no input device, a device that refuses).
    virtual std::optional<Error> start() = 0;
    /// Stops capture, and lets go of what prepareToStart() readied for a start that did not come,
    /// cancelling its future if it has not finished.
    virtual void stop() = 0;

    /// Called on the main thread when capture fails while running (the device failed or went
    /// away); capture has stopped delivering, though isRunning() stays true until stop().
    virtual void setFailureHandler(std::function<void(const Error &error)> handler) = 0;

    /// Called on the main thread when a finite input (a file) has been delivered whole.
    virtual void setEndOfInputHandler(std::function<void()> handler) = 0;

    /// Called on the main thread with a message for the user when capture goes on from another
    /// input than the one chosen (the chosen one is missing, or went away), or when the engine
    /// has something else to say that does not stop capture. An engine that never changes its
    /// input ignores it.
    virtual void setNoticeHandler(std::function<void(const QString &message)> handler)
    {
        Q_UNUSED(handler);
    }
};
