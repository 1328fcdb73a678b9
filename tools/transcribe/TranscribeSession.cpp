// SPDX-License-Identifier: GPL-3.0-or-later
#include "TranscribeSession.h"

#include "Base/CharacterSequence.h"
#include "Models/AppState.h"
#include "Models/DisplayTextTranslator.h"
#include "Models/SubtitleOverlayWindowModel.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"
#include "Platform/Store/TranscriptWriter.h"

#include <QJsonValue>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

// Recognition has caught up when nothing has moved for this long.
constexpr int catchUpCheckMs = 250;
constexpr int quietChecksToFinish = 6;
// How long the end of a run waits for the translations of its last cues.
constexpr std::chrono::seconds lastTranslationsTimeout{10};

} // namespace

TranscribeSession::TranscribeSession(SubtitleOverlayWindowModel &overlay, EventLog &events,
                                     ModelContainer *keptIn, QObject *parent)
    : QObject(parent)
    , m_overlay(overlay)
    , m_events(events)
    , m_keptIn(keptIn)
    , m_output(stdout)
{
    ListeningModel *listening = overlay.listeningModel();
    TranslationModel *translationModel = overlay.translationModel();
    TranscriptionModel *transcription = overlay.transcriptionModel();
    connect(listening, &ListeningModel::sourceTextChanged, this,
            &TranscribeSession::showSourceText);
    connect(listening, &ListeningModel::fullTranscriptChanged, this,
            &TranscribeSession::recordMerge);
    connect(listening, &ListeningModel::errorMessageChanged, this,
            &TranscribeSession::reportListeningError);
    connect(listening, &ListeningModel::didResetRecognition, this, [this](double processed) {
        m_events.record({{u"event"_s, u"reset"_s}, {u"processed"_s, processed}});
    });
    connect(transcription, &TranscriptionModel::errorMessageChanged, this, [this, transcription] {
        reportError(u"transcription"_s, transcription->errorMessage());
    });
    // What the store holds of the run, as it is written: what a crash or a kill would leave.
    if (keptIn)
        connect(&keptIn->transcriptWriter(), &TranscriptWriter::written, this,
                [this, transcription](const QUuid &id) {
                    const Transcript *current = transcription->currentTranscript();
                    if (current && current->id() == id)
                        m_events.record(
                            {{u"event"_s, u"stored"_s}, {u"sourceText"_s, current->sourceText()}});
                });

    // As the overlay view hosts it: the display text is translated with each fresh session. A
    // preparation that fails ends the run instead of leaving it waiting.
    m_translator = std::make_unique<DisplayTextTranslator>(overlay);
    connect(m_translator.get(), &DisplayTextTranslator::preparationFailed, this,
            &TranscribeSession::preparationFailed);
    connect(m_translator.get(), &DisplayTextTranslator::translated, this,
            &TranscribeSession::showTranslation);
    connect(translationModel, &TranslationModel::languagePairValidationStatusChanged, this,
            &TranscribeSession::sayWhatTranslationWaitsFor);
    connect(translationModel, &TranslationModel::isPreparingTranslationChanged, this,
            &TranscribeSession::sayWhatTranslationWaitsFor);

    // Said once, as the window's notice is; the run goes on without the file.
    connect(&m_liveFile, &LiveCaptionFile::problemChanged, this, [this] {
        if (const std::optional<QString> problem = m_liveFile.problem())
            std::fprintf(stderr, "voxlume-transcribe: %s\n", qUtf8Printable(*problem));
    });
    m_catchUp.setInterval(catchUpCheckMs);
    connect(&m_catchUp, &QTimer::timeout, this, &TranscribeSession::checkCaughtUp);
}

TranscribeSession::~TranscribeSession() = default;

void TranscribeSession::start(const Language &from, const Language &to)
{
    m_translating = from != to;
    if (m_translating)
        std::fprintf(stderr, "voxlume-transcribe: checking whether %s can be translated into %s\n",
                     qUtf8Printable(from.rawValue()), qUtf8Printable(to.rawValue()));
    AppState::shared().setOverlayWindowDisplayed(true);
    m_overlay.setSourceLanguage(from);
    m_overlay.setTargetLanguage(to);
    m_overlay.startSubtitles();
}

void TranscribeSession::showTranslation(const std::optional<QString> &source,
                                        const std::optional<QString> &target)
{
    m_shownTranslation = target.value_or(QString());
    updateLiveFile();
    if (!target || !source || m_finished)
        return;
    m_output << *target << u"  ["_s << *source << u']' << Qt::endl;
    m_events.record({{u"event"_s, u"display"_s}, {u"source"_s, *source}, {u"target"_s, *target}});
}

void TranscribeSession::sayWhatTranslationWaitsFor()
{
    const TranslationModel *translation = m_overlay.translationModel();
    if (translation->isPreparingTranslation()) {
        std::fprintf(stderr, "voxlume-transcribe: preparing the language pair (installing it)\n");
        return;
    }
    if (translation->hasDownloadBeenPrompted() &&
        translation->languagePairValidationStatus() ==
            TranslationModel::LanguagePairValidationStatus::NotStarted)
        std::fprintf(stderr, "voxlume-transcribe: waiting for the language pair to be installed\n");
}

void TranscribeSession::preparationFailed(const Error &error)
{
    reportError(u"translation"_s, error.localizedDescription());
    finish();
}

void TranscribeSession::showSourceText()
{
    const std::optional<QString> text = m_overlay.listeningModel()->sourceText();
    updateLiveFile();
    // With a translation, the line is printed when the translation comes.
    if (!text || m_translating)
        return;
    m_output << *text << Qt::endl;
    m_events.record(
        {{u"event"_s, u"display"_s}, {u"source"_s, *text}, {u"target"_s, QJsonValue()}});
}

void TranscribeSession::writeLiveFile(const QString &path)
{
    m_liveFile.setPath(path);
}

void TranscribeSession::updateLiveFile()
{
    if (m_finished)
        return;
    m_liveFile.show(m_overlay.listeningModel()->sourceText().value_or(QString()),
                    m_translating ? m_shownTranslation : QString());
}

void TranscribeSession::recordMerge()
{
    const ListeningModel *listening = m_overlay.listeningModel();
    const QString fullTranscript = listening->fullTranscript();
    const std::optional<qsizetype> solidified =
        listening->transcriptAssembly().solidifiedUntilIndex();
    m_events.record({{u"event"_s, u"merge"_s},
                     {u"fullTranscript"_s, fullTranscript},
                     {u"solidifiedUntil"_s, solidified ? QJsonValue(CharacterSequence::count(
                                                             fullTranscript.left(*solidified)))
                                                       : QJsonValue()}});
    if (const Transcript *current = m_overlay.transcriptionModel()->currentTranscript())
        m_transcriptId = current->id();
}

void TranscribeSession::reportListeningError()
{
    const ListeningModel *listening = m_overlay.listeningModel();
    reportError(u"listening"_s, listening->errorMessage());
    // Listening that could not start, or a microphone that failed: the run cannot go on.
    if (listening->errorMessage() && !listening->isListening())
        finish();
}

void TranscribeSession::reportError(const QString &model, const std::optional<QString> &message)
{
    // After the end has been recorded: a start the coordinator had already scheduled failing
    // again, say.
    if (!message || m_finished)
        return;
    m_failed = true;
    std::fprintf(stderr, "voxlume-transcribe: %s\n", qUtf8Printable(*message));
    m_events.record({{u"event"_s, u"error"_s}, {u"model"_s, model}, {u"message"_s, *message}});
}

void TranscribeSession::finishWhenCaughtUp()
{
    m_catchUp.start();
}

void TranscribeSession::checkCaughtUp()
{
    const double progress = m_overlay.listeningModel()->lastProcessedAudioDuration();
    m_quietChecks = progress == m_lastProgress ? m_quietChecks + 1 : 0;
    m_lastProgress = progress;
    if (m_quietChecks >= quietChecksToFinish)
        finish();
}

std::optional<QUuid> TranscribeSession::keptTranscriptId() const
{
    if (!m_keptIn || !m_transcriptId)
        return std::nullopt;
    // The run's last text is written in the background; the answer is what the store holds.
    ModelContainer &store = *m_keptIn;
    store.transcriptWriter().finish(std::chrono::seconds(10));
    std::variant<Transcript *, Error> stored = store.mainContext().fetchTranscript(*m_transcriptId);
    if (!std::holds_alternative<Transcript *>(stored) || !std::get<Transcript *>(stored))
        return std::nullopt;
    return m_transcriptId;
}

void TranscribeSession::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    m_catchUp.stop();
    m_overlay.listeningModel()->stopListening();
    m_liveFile.show(QString(), QString());
    AppState::shared().setOverlayWindowDisplayed(false);
    if (!m_overlay.isTranslatingCues()) {
        end();
        return;
    }
    // The last cues are translated after the stop; the run ends with them, or without them if
    // the translator does not answer in time.
    connect(&m_overlay, &SubtitleOverlayWindowModel::cueTranslationsFinished, this,
            &TranscribeSession::end);
    QTimer::singleShot(lastTranslationsTimeout, this, &TranscribeSession::end);
}

void TranscribeSession::end()
{
    if (m_ended)
        return;
    m_ended = true;
    const std::optional<QUuid> transcriptId = keptTranscriptId();
    m_events.record(
        {{u"event"_s, u"end"_s},
         {u"fullTranscript"_s, m_overlay.listeningModel()->fullTranscript()},
         {u"transcriptId"_s,
          transcriptId ? QJsonValue(transcriptId->toString(QUuid::WithoutBraces)) : QJsonValue()}});
    // Once the file is empty, and a failure to write it has been said: the writes end on a later
    // turn of the loop, which an ended program would never reach.
    if (!m_liveFile.isBusy()) {
        Q_EMIT finished(m_failed ? 1 : 0);
        return;
    }
    connect(&m_liveFile, &LiveCaptionFile::writeEnded, this, [this] {
        if (!m_liveFile.isBusy())
            Q_EMIT finished(m_failed ? 1 : 0);
    });
}
