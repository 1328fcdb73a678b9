// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ErrorReportingModel.h"
#include "Language.h"
#include "Transcript.h"

#include <QPointer>
#include <memory>

class ModelContainer;
class ModelContext;

/// Keeps the transcript of the current subtitle run in the store: opens one when a run starts,
/// writes the whole assembled spoken text into it after every merge, and closes it when the run
/// ends, removing it when nothing was heard.
///
/// Every write is saved at once, so the store always holds the latest text of the run. A save
/// that fails is reported through errorMessage() and not retried. Main thread.
class TranscriptionModel : public ErrorReportingModel
{
    Q_OBJECT

public:
    /// A model keeping transcripts in the program's store.
    explicit TranscriptionModel(QObject *parent = nullptr);
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

    /// The model's own working context on the store.
    ModelContext &modelContext() const { return *m_modelContext; }

    /// Opens a new, empty record, once both languages are known. A record it replaces that holds
    /// no text is removed, as ending it would; one that holds text stays as it was saved.
    void startNewTranscript();
    /// Writes \a text, the whole assembled text of the run, into the open record and saves it.
    void updateSourceText(const QString &text);
    /// Closes the open record, removing it when it holds no text.
    void endTranscript();

private:
    std::unique_ptr<ModelContext> m_modelContext;
    QPointer<Transcript> m_currentTranscript;
    std::optional<Language> m_sourceLanguage;
    std::optional<Language> m_targetLanguage;
};
