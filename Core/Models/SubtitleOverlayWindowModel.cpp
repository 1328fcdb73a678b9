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
    , m_cueTranslator(std::make_unique<CueTranslator>(m_translationModel->service()))
{
    connect(m_cueTranslator.get(), &CueTranslator::translated, this,
            &SubtitleOverlayWindowModel::cueTranslated);
    connect(m_cueTranslator.get(), &CueTranslator::idle, this,
            &SubtitleOverlayWindowModel::cueTranslationsFinished);
    m_translationModel->setDelegate(this);
    m_listeningModel->setDelegate(this);
}

SubtitleOverlayWindowModel::~SubtitleOverlayWindowModel()
{
    // An overlay closed before listening ever started (a pair that never became ready) still has
    // the transcript its languages opened; ended here, it goes rather than stay behind empty.
    m_transcriptionModel->endTranscript();
    // The last cues are translated after the run has stopped, and reach the store without it.
    if (m_cueTranslator->isTranslating())
        m_cueTranslator.release()->finishDetached(m_transcriptionModel->lateCueTranslations());
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

void SubtitleOverlayWindowModel::listeningModelDidFinishCues(const QList<CaptionCue> &cues)
{
    const Transcript *transcript = m_transcriptionModel->currentTranscript();
    const std::optional<Language> source = m_translationModel->sourceLanguage();
    const std::optional<Language> target = m_translationModel->targetLanguage();
    if (!transcript || !source || !target || source == target) {
        m_transcriptionModel->addCues(cues);
        for (const CaptionCue &cue : cues)
            Q_EMIT cueFinished(cue);
        return;
    }
    // Stored at once untranslated, so that a translation that never comes loses no cue.
    const qsizetype first = transcript->cues().size();
    m_transcriptionModel->addCues(cues);
    for (qsizetype i = 0; i < cues.size(); ++i)
        m_cueTranslator->translate({transcript->id(), first + i, cues.at(i), *source, *target});
}

void SubtitleOverlayWindowModel::cueTranslated(const QUuid &transcript, qsizetype index,
                                               const CaptionCue &cue)
{
    m_transcriptionModel->setCueTranslation(transcript, index, cue);
    Q_EMIT cueFinished(cue);
}

void SubtitleOverlayWindowModel::listeningModelDidStopListening()
{
    m_transcriptionModel->endTranscript();
}

void SubtitleOverlayWindowModel::translationModelDidBecomeReady()
{
    m_listeningModel->scheduleStartListening();
}
