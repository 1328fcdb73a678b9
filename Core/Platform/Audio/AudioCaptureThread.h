// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QThread;

/// The thread on which the process reads every audio input device.
///
/// One thread for the life of the process rather than one per capture: Qt 6.4 delivers the sound
/// server's failure reports through an object that it ties to the thread that first opened an
/// audio source, and loses them for good once that thread has ended.
class AudioCaptureThread
{
public:
    AudioCaptureThread() = delete;

    /// The thread, started on first use. It is never ended, as a sound server that has stopped
    /// answering could keep it from ending.
    static QThread *shared();
};
