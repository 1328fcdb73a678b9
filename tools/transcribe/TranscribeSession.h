// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Base/Language.h"
#include "EventLog.h"
#include "Models/LiveCaptionFile.h"
#include "Platform/Translation/TranslationService.h"

#include <QObject>
#include <QTextStream>
#include <QTimer>
#include <QUuid>

class ModelContainer;
class SubtitleOverlayWindowModel;
class DisplayTextTranslator;

/// One run of the command-line tool: drives the overlay's coordinator as the overlay view does,
/// translates the subtitle with a translation hook of its own, prints each new subtitle line,
/// records the events, keeps the live caption file when asked to, and ends the run as the overlay's
/// close does.
class TranscribeSession : public QObject
{
    Q_OBJECT

public:
    /// A run of \a overlay. \a keptIn is the overlay's store when it is the user's, so that the
    /// end can name the kept transcript; null otherwise.
    TranscribeSession(SubtitleOverlayWindowModel &overlay, EventLog &events, ModelContainer *keptIn,
                      QObject *parent = nullptr);
    ~TranscribeSession() override;

    /// Applies the languages and starts the subtitles: listening begins at once when \a to is the
    /// same language, otherwise once the pair is ready to translate.
    void start(const Language &from, const Language &to);

    /// Keeps what the run shows in the file at \a path as the subtitle window does: the spoken
    /// line, and its translation on a second line; emptied at the end. Before start().
    void writeLiveFile(const QString &path);

    /// Ends the run once recognition has caught up with the audio delivered so far.
    void finishWhenCaughtUp();
    /// Ends the run now: listening stops, the last text is merged and stored, the live caption
    /// file is emptied, and the end is recorded once the last cues are translated.
    void finish();

Q_SIGNALS:
    /// The run is over, its live caption file written; \a exitCode is the program's.
    void finished(int exitCode);

private:
    void showTranslation(const std::optional<QString> &source,
                         const std::optional<QString> &target);
    void sayWhatTranslationWaitsFor();
    void preparationFailed(const Error &error);
    void showSourceText();
    /// What the subtitle window would show now, into the live caption file.
    void updateLiveFile();
    void recordMerge();
    void reportListeningError();
    void reportError(const QString &model, const std::optional<QString> &message);
    void checkCaughtUp();
    std::optional<QUuid> keptTranscriptId() const;
    /// Records the end of a run that has stopped, and says it is over.
    void end();

    SubtitleOverlayWindowModel &m_overlay;
    std::unique_ptr<DisplayTextTranslator> m_translator;
    EventLog &m_events;
    ModelContainer *const m_keptIn;
    QTextStream m_output;
    QTimer m_catchUp;
    LiveCaptionFile m_liveFile;
    // The translation the window would show beside the display text.
    QString m_shownTranslation;
    // The transcript that received the run's latest text.
    std::optional<QUuid> m_transcriptId;
    bool m_translating = false;
    double m_lastProgress = -1;
    int m_quietChecks = 0;
    bool m_failed = false;
    bool m_finished = false;
    bool m_ended = false;
};
