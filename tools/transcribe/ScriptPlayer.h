// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Platform/Speech/Transcription.h"

#include <QList>
#include <QObject>
#include <variant>

class ListeningModel;
class ScriptedSpeechService;

/// Replays a run's recogniser callbacks from a JSON Lines script, one event a turn of the main
/// loop, as if a recogniser were hearing speech.
///
/// A line is one of: {"task": N, "hypothesis": {"text": …, "segments": [{"location": L,
/// "length": K, "timestamp": T}, …]}}, {"task": N, "processed": S}, {"wait": S}, {"stop": true}
/// or {"start": true}. Task N is the N-th task the listening model created.
class ScriptPlayer : public QObject
{
    Q_OBJECT

public:
    struct Event
    {
        enum class Kind { Hypothesis, Processed, Wait, Stop, Start };

        int line = 0;
        Kind kind = Kind::Wait;
        int task = 0;
        Transcription transcription;
        double seconds = 0;
    };

    /// The events of the script at \a path, or why it cannot be used (naming the line).
    static std::variant<QList<Event>, QString> read(const QString &path);

    ScriptPlayer(QList<Event> events, ScriptedSpeechService &speech, ListeningModel &model);

    /// Plays the events from the first, each on a later turn of the main loop.
    void play();

Q_SIGNALS:
    /// The last event has been played.
    void finished();
    /// An event could not be played; \a reason names its line.
    void failed(const QString &reason);

private:
    void playNext();
    bool playEvent(const Event &event);

    QList<Event> m_events;
    qsizetype m_next = 0;
    ScriptedSpeechService &m_speech;
    ListeningModel &m_model;
};
