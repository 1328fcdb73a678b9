// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "EventLog.h"
#include "Language.h"
#include "ListeningModelDelegate.h"
#include "Platform/Translation/TranslationService.h"
#include "TranslationModelDelegate.h"

#include <QObject>
#include <QTextStream>
#include <QTimer>

class ListeningModel;
class TranslationModel;
class TranslationTaskHook;

/// One run of the command-line tool: listens, and translates, as the overlay would, prints each new
/// subtitle line, records the events, and ends the run as the overlay's close does.
class TranscribeSession : public QObject,
                          public ListeningModelDelegate,
                          public TranslationModelDelegate
{
    Q_OBJECT

public:
    /// A run of \a model, translated by \a translation when the languages differ.
    TranscribeSession(ListeningModel &model, std::shared_ptr<TranslationService> translation,
                      EventLog &events, QObject *parent = nullptr);
    ~TranscribeSession() override;

    /// Listens to \a from at once when \a to is the same language; otherwise once the pair is
    /// ready to translate.
    void start(const Language &from, const Language &to);

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
    void translationModelDidBecomeReady() override;

    QCoro::Task<> translateSourceText(std::shared_ptr<TranslationSession> session);
    void sayWhatTranslationWaitsFor();
    void preparationFailed(const Error &error);
    void startListening();
    void showSourceText();
    void reportError();
    void checkStarted();
    void checkCaughtUp();

    ListeningModel &m_model;
    std::shared_ptr<TranslationService> m_translationService;
    std::unique_ptr<TranslationModel> m_translation;
    std::unique_ptr<TranslationTaskHook> m_hook;
    EventLog &m_events;
    QTextStream m_output;
    QTimer m_catchUp;
    double m_lastProgress = -1;
    int m_quietChecks = 0;
    bool m_failed = false;
    bool m_finished = false;
};
