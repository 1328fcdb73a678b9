// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AudioTapFeeder.h"

#include <memory>

/// The tap an engine keeps between its runs, and the feeder of the run under way: a tap installed
/// or removed while running reaches that run at once. Main thread.
class AudioTapHolder
{
public:
    /// Holds \a tap, fed with blocks of \a frameCount frames.
    void install(int frameCount, AudioEngine::Tap tap);
    void remove();
    int frameCount() const { return m_frameCount; }

    /// A feeder for a new run, with the tap of now and each later one until the run ends.
    std::shared_ptr<AudioTapFeeder> beginRun();
    /// A feeder for a new run that drops what it is fed until releaseRun(): for a device opened
    /// ahead of its start.
    std::shared_ptr<AudioTapFeeder> beginHeldRun();
    /// Hands the held run the tap of now and each later one.
    void releaseRun();
    /// Stops feeding the run: no tap is called after this returns.
    void closeRun();
    /// Closes the run and lets go of its feeder, and of the next run's.
    void endRun();

    /// A feeder for a run that is to take over from the current one at switchToNextRun(): it
    /// drops what it is fed until then.
    std::shared_ptr<AudioTapFeeder> beginNextRun();
    /// The next run takes over: it gets the tap, and the current one is fed no more.
    void switchToNextRun();
    /// Closes the next run and lets go of it, unused.
    void dropNextRun();

private:
    int m_frameCount = 1024;
    AudioEngine::Tap m_tap;
    std::shared_ptr<AudioTapFeeder> m_feeder;
    std::shared_ptr<AudioTapFeeder> m_next;
    bool m_held = false;
};
