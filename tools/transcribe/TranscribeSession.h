// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "EventLog.h"
#include "Language.h"
#include "ListeningModelDelegate.h"

#include <QObject>
#include <QTextStream>
#include <QTimer>

class ListeningModel;

/// One run of the command-line tool: listens as the overlay would, prints each new subtitle line,
/// records the events, and ends the run as the overlay's close does.
class TranscribeSession : public QObject, public ListeningModelDelegate
{
    Q_OBJECT

public:
    TranscribeSession(ListeningModel &model, EventLog &events, QObject *parent = nullptr);

    /// Applies \a language and starts listening.
    void start(const Language &language);

    /// Ends the run once recognition has caught up with the audio delivered so far.
    void finishWhenCaughtUp();
    /// Ends the run now: listening stops, the last text is merged and the end is recorded.
    void finish();

Q_SIGNALS:
    /// The run is over; \a exitCode is the program's.
    void finished(int exitCode);

private:
    void listeningModelDidStartListening() override {}
    void listeningModelDidReceiveTranscription() override {}
    void listeningModelDidUpdateFullTranscript(const QString &fullTranscript) override;
    void listeningModelDidStopListening() override;

    void showSourceText();
    void reportError();
    void checkStarted();
    void checkCaughtUp();

    ListeningModel &m_model;
    EventLog &m_events;
    QTextStream m_output;
    QTimer m_catchUp;
    double m_lastProgress = -1;
    int m_quietChecks = 0;
    bool m_failed = false;
    bool m_finished = false;
};
