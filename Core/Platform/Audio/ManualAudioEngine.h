// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AudioEngine.h"

#include <QPromise>
#include <memory>
#include <mutex>

/// An audio engine without a device: it captures nothing by itself, and delivers the buffers it is
/// handed to its tap, on the thread that hands them.
///
/// Runs scripted sessions that need no audio, and lets tests feed a tap from threads of their own.
class ManualAudioEngine : public AudioEngine
{
public:
    /// Makes the next start() fail with \a error.
    void failNextStart(const Error &error) { m_startError = error; }
    /// Makes each prepareToStart() wait until finishPreparation(), as a slow device would; what it
    /// readies lasts until start() uses it or stop() lets go of it.
    void holdPreparations() { m_holdsPreparations = true; }
    /// Ends the preparation under way, if there is one. Its promise is kept until start() or
    /// stop(), as a real engine keeps what it readied, so that a continuation that starts at once
    /// releases it inside its finish().
    void finishPreparation();
    /// Whether a preparation is under way: neither finished nor let go of.
    bool isPreparing() const { return m_preparation && !m_prepared; }
    /// Reports a capture failure, as a device that goes away would.
    void fail(const Error &error);
    /// Tells the user \a message, as an engine that moves to another input does.
    void notify(const QString &message);

    /// Hands \a buffer to the tap, if one is installed and the engine runs. Any thread.
    void deliver(const AudioBufferPtr &buffer);

    bool isRunning() const override;
    void installTap(int frameCount, Tap tap) override;
    void removeTap() override;
    void prepare() override {}
    QFuture<void> prepareToStart() override;
    std::optional<Error> start() override;
    void stop() override;
    void setFailureHandler(std::function<void(const Error &)> handler) override;
    void setEndOfInputHandler(std::function<void()> handler) override;
    void setNoticeHandler(std::function<void(const QString &)> handler) override;

    /// Reports that the input has ended, as a file that has been read whole would.
    void endInput();

private:
    mutable std::mutex m_lock;
    Tap m_tap;
    bool m_running = false;
    std::optional<Error> m_startError;
    std::function<void(const Error &)> m_failureHandler;
    std::function<void()> m_endOfInputHandler;
    std::function<void(const QString &)> m_noticeHandler;

    // Main thread.
    bool m_holdsPreparations = false;
    std::unique_ptr<QPromise<void>> m_preparation;
    bool m_prepared = false;
};
