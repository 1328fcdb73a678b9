// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Base/Language.h"
#include "ErrorReportingModel.h"
#include "Platform/Store/Transcript.h"

#include <QPointer>
#include <QSet>
#include <functional>

class Error;
class ModelContainer;

/// Keeps the transcript of the current subtitle run in the store: opens a record when a run starts,
/// writes the whole assembled spoken text into it as it grows, and closes it when the run ends.
///
/// A record reaches the store with its first text, so a run that hears nothing leaves nothing
/// behind. The store's transcript writer writes it off the main thread; a write that fails keeps
/// the text, is tried again, and saveProblem() tells the user so until one succeeds. The run's
/// cues ride on the writes of its text, so that keeping them costs no save of its own. Main
/// thread.
class TranscriptionModel : public ErrorReportingModel
{
    Q_OBJECT

public:
    /// A model keeping transcripts in \a container.
    explicit TranscriptionModel(ModelContainer &container, QObject *parent = nullptr);
    ~TranscriptionModel() override;

    /// The open record of the run, or null.
    Transcript *currentTranscript() const { return m_currentTranscript; }

    /// The languages of new records; set by the coordinator before it ends and starts one.
    std::optional<Language> sourceLanguage() const { return m_sourceLanguage; }
    void setSourceLanguage(const std::optional<Language> &language) { m_sourceLanguage = language; }
    std::optional<Language> targetLanguage() const { return m_targetLanguage; }
    void setTargetLanguage(const std::optional<Language> &language) { m_targetLanguage = language; }

    /// Opens a new, empty record, once both languages are known; the record it replaces keeps
    /// what it was given.
    void startNewTranscript();
    /// Writes \a text, the whole assembled text of the run so far, into the open record.
    void updateSourceText(const QString &text);
    /// Adds \a cues, the next ones in time order, to the open record; they are written with its
    /// next text, or at its end.
    void addCues(const QList<CaptionCue> &cues);
    /// Gives the cue at \a index of record \a id its translation, from \a cue. The open record
    /// writes it with its next text; the record closed last, whose cues may still be translated
    /// after its run has stopped, is written at once.
    void setCueTranslation(const QUuid &id, qsizetype index, const CaptionCue &cue);
    /// Closes the open record, writing it if its last write failed or its cues have changed since.
    void endTranscript();
    /// What writes the translations of the last closed record's cues once this model is gone: it
    /// holds the record's fields, and writes them, translation by translation, while the store's
    /// writer lasts. Does nothing without a closed record.
    std::function<void(const QUuid &, qsizetype, const CaptionCue &)> lateCueTranslations() const;

    /// What keeps a text of this model's runs from the store, in words for the user; none while
    /// every text is stored.
    std::optional<QString> saveProblem() const { return m_saveProblem; }

    /// The notice for a text that could not be written because of \a error.
    static QString describeSaveProblem(const Error &error);

Q_SIGNALS:
    void saveProblemChanged();

private:
    void write(const Transcript &transcript);
    void recordFailed(const QUuid &id, const Error &error);
    void recordWritten(const QUuid &id);

    ModelContainer &m_container;
    QPointer<Transcript> m_currentTranscript;
    // Whether the open record's cues have changed since it was last written.
    bool m_cuesUnwritten = false;
    // The record closed last, kept for the translations of its last cues.
    QPointer<Transcript> m_endedTranscript;
    // This model's records whose last write failed.
    QSet<QUuid> m_unwritten;
    std::optional<Language> m_sourceLanguage;
    std::optional<Language> m_targetLanguage;
    std::optional<QString> m_saveProblem;
};
