// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Base/Language.h"
#include "ListeningModel.h"
#include "Platform/Store/CaptionCue.h"
#include "TranscriptionModel.h"
#include "TranslationModel.h"

#include <QObject>
#include <memory>

class ModelContainer;
struct AppServices;

/// Runs one subtitle overlay: owns the run's listening, translation and transcript models and
/// passes every event of one that matters to another.
///
/// Listening starts at once when no translation is needed, otherwise when the translation model
/// finds the language pair ready. Each start opens a transcript, each merge is written into it,
/// and each stop closes it. A language change ends the transcript and restarts listening. Main
/// thread.
class SubtitleOverlayWindowModel : public QObject,
                                   public ListeningModelDelegate,
                                   public TranslationModelDelegate
{
    Q_OBJECT
    Q_PROPERTY(TranslationModel *translationModel READ translationModel CONSTANT)
    Q_PROPERTY(TranscriptionModel *transcriptionModel READ transcriptionModel CONSTANT)
    Q_PROPERTY(ListeningModel *listeningModel READ listeningModel CONSTANT)

public:
    /// A run on \a services, with an audio engine of its own.
    explicit SubtitleOverlayWindowModel(const AppServices &services, QObject *parent = nullptr);
    /// A run on the given services, kept in \a store.
    SubtitleOverlayWindowModel(std::shared_ptr<SpeechService> speech,
                               std::unique_ptr<AudioEngine> audioEngine,
                               std::shared_ptr<TranslationService> translation,
                               ModelContainer &store, QObject *parent = nullptr);
    ~SubtitleOverlayWindowModel() override;

    TranslationModel *translationModel() const { return m_translationModel.get(); }
    TranscriptionModel *transcriptionModel() const { return m_transcriptionModel.get(); }
    ListeningModel *listeningModel() const { return m_listeningModel.get(); }

    /// Applies a new spoken language: ends the transcript and begins one in the new pair; listening
    /// stops, and starts again at once when the language is also the translation language.
    void setSourceLanguage(const std::optional<Language> &language);
    /// Applies a new translation language: ends the transcript and begins one in the new pair;
    /// listening stops, and starts again at once when no translation is needed.
    void setTargetLanguage(const std::optional<Language> &language);
    /// Starts the run once both languages are applied.
    void startSubtitles();

Q_SIGNALS:
    /// The run has finished \a cue: its times, its text, and its translation when the run
    /// translates. Cues come in time order, each once.
    void cueFinished(const CaptionCue &cue);

private:
    void listeningModelDidStartListening() override;
    void listeningModelDidReceiveTranscription() override;
    void listeningModelDidUpdateFullTranscript(const QString &fullTranscript) override;
    void listeningModelDidStopListening() override;
    void translationModelDidBecomeReady() override;

    bool languagesAreEqual() const;

    std::unique_ptr<TranslationModel> m_translationModel;
    std::unique_ptr<TranscriptionModel> m_transcriptionModel;
    std::unique_ptr<ListeningModel> m_listeningModel;
    // Where the current run's text starts in the listening model's full transcript.
    qsizetype m_runTextStart = 0;
};
