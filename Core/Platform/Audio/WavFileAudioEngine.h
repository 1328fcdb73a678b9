// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AudioEngine.h"
#include "AudioTapHolder.h"

#include <QString>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

class WavFile;

/// An audio engine that plays a WAV file to its tap as if it were being captured: in blocks of the
/// tap's frame count, the last one perhaps shorter, either in real time or as fast as the tap
/// takes them.
///
/// The file is read on a delivery thread of the engine's own, which is where the tap runs. Once
/// the whole file has been delivered, the end-of-input handler runs, once, and the engine counts
/// as running until stop(). A file that cannot be read makes start() fail with an error that names
/// the file and the problem (see WavFile). After stop(), start() plays the file again from its
/// beginning.
class WavFileAudioEngine : public AudioEngine
{
public:
    enum class Pacing {
        /// Each block is delivered when its last frame would have been captured, counted from
        /// start().
        RealTime,
        /// Each block is delivered as soon as the tap has taken the one before.
        Fast,
    };

    explicit WavFileAudioEngine(QString path, Pacing pacing = Pacing::RealTime);
    ~WavFileAudioEngine() override;

    QString path() const { return m_path; }
    Pacing pacing() const { return m_pacing; }

    bool isRunning() const override { return m_running; }
    void installTap(int frameCount, Tap tap) override;
    void removeTap() override;
    /// Nothing to do: reading a file's header is quick, and start() does it.
    void prepare() override {}
    /// Does nothing while running.
    std::optional<Error> start() override;
    void stop() override;
    void setFailureHandler(std::function<void(const Error &error)> handler) override;
    void setEndOfInputHandler(std::function<void()> handler) override;

private:
    using Clock = std::chrono::steady_clock;

    /// Delivery thread: reads \a file into \a feeder until its end or until stop().
    void deliver(WavFile file, std::shared_ptr<AudioTapFeeder> feeder, int framesPerRead,
                 quint64 run);
    /// Delivery thread: sleeps until \a deadline; false when stop() came first.
    bool sleepUntil(Clock::time_point deadline);
    /// Delivery thread: runs \a report on the main thread, unless run \a run has ended by then.
    void reportToMainThread(quint64 run, std::function<void()> report);

    const QString m_path;
    const Pacing m_pacing;
    /// Goes with the engine, and the delivery thread's reports still on their way with it.
    const std::shared_ptr<int> m_alive = std::make_shared<int>();

    // Main thread.
    AudioTapHolder m_tap;
    std::function<void(const Error &)> m_failureHandler;
    std::function<void()> m_endOfInputHandler;
    bool m_running = false;
    /// Counts the runs, so that a report from an earlier one is recognised.
    quint64 m_run = 0;
    std::thread m_thread;

    // Shared with the delivery thread.
    std::mutex m_mutex;
    std::condition_variable m_stopped;
    bool m_stopRequested = false;
};
