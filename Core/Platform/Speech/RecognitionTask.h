// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Transcription.h"

#include <QObject>

/// One run of a recogniser over one request: reports hypotheses and how much audio it has
/// processed, until it is cancelled.
///
/// Lives on the main thread and emits there, never from within the call that created it, so that
/// whoever creates a task can connect to it first. The task's identity tells its reports apart
/// from another task's.
class RecognitionTask : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    /// Stops recognition: no hypothesis or report is emitted after this returns.
    virtual void cancel() = 0;

Q_SIGNALS:
    /// The whole text recognised so far has changed.
    void didHypothesizeTranscription(const Transcription &transcription);
    /// The task has processed \a seconds of its request's audio in all.
    void didProcessAudioDuration(double seconds);
};
