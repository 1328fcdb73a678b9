// SPDX-License-Identifier: GPL-3.0-or-later
#include "SubtitleOverlayWindowModel.h"

#include "AppServices.h"
#include "Base/Logging.h"
#include "Base/SourceLog.h"
#include "ListeningModel.h"
#include "Platform/Audio/AudioEngine.h"
#include "TranscriptionModel.h"
#include "TranslationModel.h"

using namespace Qt::Literals::StringLiterals;

namespace {

const SourceLog sourceLog(u"Core/SubtitleOverlayWindowModel"_s);

} // namespace

SubtitleOverlayWindowModel::SubtitleOverlayWindowModel(const AppServices &services, QObject *parent)
    : SubtitleOverlayWindowModel(services.speech, services.makeAudioEngine(), services.translation,
                                 *services.store, parent)
{}

SubtitleOverlayWindowModel::SubtitleOverlayWindowModel(
    std::shared_ptr<SpeechService> speech, std::unique_ptr<AudioEngine> audioEngine,
    std::shared_ptr<TranslationService> translation, ModelContainer &store, QObject *parent)
    : QObject(parent)
    , m_translationModel(std::make_unique<TranslationModel>(std::move(translation)))
    , m_transcriptionModel(std::make_unique<TranscriptionModel>(store))
    , m_listeningModel(std::make_unique<ListeningModel>(std::move(speech), std::move(audioEngine)))
{
    m_translationModel->setDelegate(this);
    m_listeningModel->setDelegate(this);
}

SubtitleOverlayWindowModel::~SubtitleOverlayWindowModel()
{
    // An overlay closed before listening ever started (a pair that never became ready) still has
    // the transcript its languages opened; ended here, it goes rather than stay behind empty.
    m_transcriptionModel->endTranscript();
}

bool SubtitleOverlayWindowModel::languagesAreEqual() const
{
    return m_translationModel->sourceLanguage() == m_translationModel->targetLanguage();
}

void SubtitleOverlayWindowModel::setSourceLanguage(const std::optional<Language> &language)
{
    sourceLog.breadcrumb(u"Source language set to: "_s + describe(language),
                         u"setSourceLanguage(_:)"_s);
    m_translationModel->setSourceLanguage(language);
    m_transcriptionModel->setSourceLanguage(language);
    // Listening stops first: its last merge belongs to the transcript of the old pair, and the
    // stop closes that one, so the change's new transcript starts empty.
    m_listeningModel->setSourceLanguage(language);
    m_transcriptionModel->endTranscript();
    m_transcriptionModel->startNewTranscript();
    if (language == m_translationModel->targetLanguage())
        m_listeningModel->scheduleStartListening();
}

void SubtitleOverlayWindowModel::setTargetLanguage(const std::optional<Language> &language)
{
    sourceLog.breadcrumb(u"Target language set to: "_s + describe(language),
                         u"setTargetLanguage(_:)"_s);
    m_translationModel->setTargetLanguage(language);
    m_transcriptionModel->setTargetLanguage(language);
    // As for the spoken language: the old pair's transcript takes the last merge of the run.
    m_listeningModel->stopListening();
    m_transcriptionModel->endTranscript();
    m_transcriptionModel->startNewTranscript();
    if (language == m_translationModel->sourceLanguage())
        m_listeningModel->scheduleStartListening();
}

void SubtitleOverlayWindowModel::startSubtitles()
{
    if (languagesAreEqual())
        m_listeningModel->scheduleStartListening();
    else
        m_translationModel->triggerTranslation();
}

void SubtitleOverlayWindowModel::listeningModelDidStartListening()
{
    // The listening model's text spans every run of this overlay, and what earlier runs heard is
    // final and kept in their own transcripts, in their own languages: this run's transcript
    // takes what is heard from here on.
    m_runTextStart = m_listeningModel->fullTranscript().size();
    m_transcriptionModel->startNewTranscript();
}

void SubtitleOverlayWindowModel::listeningModelDidReceiveTranscription()
{
    if (!languagesAreEqual())
        m_translationModel->triggerTranslation();
}

void SubtitleOverlayWindowModel::listeningModelDidUpdateFullTranscript(
    const QString &fullTranscript)
{
    qsizetype start = std::min(m_runTextStart, fullTranscript.size());
    // Without the blank that joins this run's text to the earlier ones.
    while (start < fullTranscript.size() && fullTranscript.at(start).isSpace())
        ++start;
    m_transcriptionModel->updateSourceText(fullTranscript.sliced(start));
}

void SubtitleOverlayWindowModel::listeningModelDidStopListening()
{
    m_transcriptionModel->endTranscript();
}

void SubtitleOverlayWindowModel::translationModelDidBecomeReady()
{
    m_listeningModel->scheduleStartListening();
}
