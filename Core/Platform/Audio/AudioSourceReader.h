// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAudio>
#include <QObject>

/// Reads one input and hands its samples, as floats, to a tap feeder: what QtAudioEngine needs of
/// a reader, whichever way the input is read.
///
/// Create it on any thread and move it to the capture thread (AudioCaptureThread); start, stop
/// and delete it there.
class AudioSourceReader : public QObject
{
    Q_OBJECT

public:
    /// Starts reading: QAudio::NoError, or why the input refused.
    virtual QAudio::Error start() = 0;
    /// Stops reading and lets go of the input.
    virtual void stop() = 0;

Q_SIGNALS:
    /// The input failed while being read, for the QAudio::Error \a reason; reading has stopped.
    /// May be emitted on any thread.
    void failed(int reason);
    /// The sound server's defaults changed: another output may be the default now. Emitted only
    /// by readers that hear the server's events, on any thread.
    void serverChanged();
};
