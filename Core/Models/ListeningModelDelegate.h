// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Platform/Store/CaptionCue.h"

#include <QList>
#include <QString>

class ListeningModel;

/// What a listening model tells its owner. Implemented by a QObject; the model holds it weakly.
class ListeningModelDelegate
{
public:
    virtual ~ListeningModelDelegate() = default;

    /// Listening is really starting: the engine was not running. Recognition is set up next.
    virtual void listeningModelDidStartListening() = 0;
    /// A hypothesis was accepted and the display text updated.
    virtual void listeningModelDidReceiveTranscription() = 0;
    /// The full transcript changed by a merge, or, told between merges so that a crash loses
    /// little, is \a fullTranscript once the text heard so far is merged; all of it either way.
    virtual void listeningModelDidUpdateFullTranscript(const QString &fullTranscript) = 0;
    /// The run has finished \a cues, in time order; each comes once. Told before the text they
    /// hold reaches listeningModelDidUpdateFullTranscript(), so that its save carries them.
    virtual void listeningModelDidFinishCues(const QList<CaptionCue> &cues) = 0;
    /// Listening has stopped: capture and recognition are over and the last text is merged. Also
    /// told right after the start when the start failed.
    virtual void listeningModelDidStopListening() = 0;
};
