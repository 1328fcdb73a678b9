// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Models/ListeningModelDelegate.h"

#include <QObject>
#include <QStringList>

/// A listening model's owner that writes down what it is told, in order.
class RecordingListeningDelegate : public QObject, public ListeningModelDelegate
{
    Q_OBJECT

public:
    QStringList calls;
    QString lastFullTranscript;
    QList<CaptionCue> cues;

    void listeningModelDidStartListening() override { calls << QStringLiteral("start"); }
    void listeningModelDidReceiveTranscription() override
    {
        calls << QStringLiteral("transcription");
    }
    void listeningModelDidUpdateFullTranscript(const QString &fullTranscript) override
    {
        calls << QStringLiteral("full");
        lastFullTranscript = fullTranscript;
    }
    void listeningModelDidFinishCues(const QList<CaptionCue> &finished) override
    {
        calls << QStringLiteral("cues");
        cues << finished;
    }
    void listeningModelDidStopListening() override { calls << QStringLiteral("stop"); }
};
