// SPDX-License-Identifier: GPL-3.0-or-later
#include "TranscribeSession.h"

#include "CharacterSequence.h"
#include "ListeningModel.h"
#include "ObservedTranslationSession.h"
#include "Platform/Translation/TranslationTaskHook.h"
#include "TranslationModel.h"

#include <QJsonValue>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

// Recognition has caught up when nothing has moved for this long.
constexpr int catchUpCheckMs = 250;
constexpr int quietChecksToFinish = 6;

} // namespace

TranscribeSession::TranscribeSession(ListeningModel &model,
                                     std::shared_ptr<TranslationService> translation,
                                     EventLog &events, QObject *parent)
    : QObject(parent)
    , m_model(model)
    , m_translationService(std::move(translation))
    , m_events(events)
    , m_output(stdout)
{
    m_model.setDelegate(this);
    connect(&m_model, &ListeningModel::sourceTextChanged, this, &TranscribeSession::showSourceText);
    connect(&m_model, &ListeningModel::errorMessageChanged, this, &TranscribeSession::reportError);
    connect(&m_model, &ListeningModel::didResetRecognition, this, [this](double processed) {
        m_events.record({{u"event"_s, u"reset"_s}, {u"processed"_s, processed}});
    });
    m_catchUp.setInterval(catchUpCheckMs);
    connect(&m_catchUp, &QTimer::timeout, this, &TranscribeSession::checkCaughtUp);
}

TranscribeSession::~TranscribeSession() = default;

void TranscribeSession::start(const Language &from, const Language &to)
{
    m_model.setSourceLanguage(from);
    if (from == to) {
        startListening();
        return;
    }
    // As the overlay hosts it: the hook translates the display text with each fresh session, and
    // listening starts once the pair is ready.
    m_translation = std::make_unique<TranslationModel>(m_translationService);
    m_translation->setDelegate(this);
    m_hook = std::make_unique<TranslationTaskHook>(
        m_translationService, [this](std::shared_ptr<TranslationSession> session) {
            return translateSourceText(std::move(session));
        });
    connect(m_translation.get(), &TranslationModel::translationConfigurationChanged, this,
            [this] { m_hook->setConfiguration(m_translation->translationConfiguration()); });
    connect(m_translation.get(), &TranslationModel::languagePairValidationStatusChanged, this,
            &TranscribeSession::sayWhatTranslationWaitsFor);
    connect(m_translation.get(), &TranslationModel::isPreparingTranslationChanged, this,
            &TranscribeSession::sayWhatTranslationWaitsFor);
    connect(&m_model, &ListeningModel::sourceTextChanged, m_translation.get(),
            &TranslationModel::triggerTranslation);
    std::fprintf(stderr, "voxlume-transcribe: checking whether %s can be translated into %s\n",
                 qUtf8Printable(from.rawValue()), qUtf8Printable(to.rawValue()));
    m_translation->setSourceLanguage(from);
    m_translation->setTargetLanguage(to);
}

void TranscribeSession::startListening()
{
    m_model.scheduleStartListening();
    QMetaObject::invokeMethod(this, &TranscribeSession::checkStarted, Qt::QueuedConnection);
}

void TranscribeSession::translationModelDidBecomeReady()
{
    if (!m_model.isListening())
        startListening();
}

QCoro::Task<> TranscribeSession::translateSourceText(std::shared_ptr<TranslationSession> session)
{
    // Watched, so that a preparation that fails ends the run instead of leaving it waiting.
    auto observed = std::make_shared<ObservedTranslationSession>(
        std::move(session), [this](const Error &error) { preparationFailed(error); });
    const std::optional<QString> source = m_model.sourceText();
    const std::optional<QString> target = co_await m_translation->translate(source, observed);
    if (!target || !source || m_finished)
        co_return;
    m_output << *target << u"  ["_s << *source << u']' << Qt::endl;
    m_events.record({{u"event"_s, u"display"_s}, {u"source"_s, *source}, {u"target"_s, *target}});
}

void TranscribeSession::sayWhatTranslationWaitsFor()
{
    if (m_translation->isPreparingTranslation()) {
        std::fprintf(stderr, "voxlume-transcribe: preparing the language pair (installing it)\n");
        return;
    }
    if (m_translation->hasDownloadBeenPrompted() &&
        m_translation->languagePairValidationStatus() ==
            TranslationModel::LanguagePairValidationStatus::NotStarted)
        std::fprintf(stderr, "voxlume-transcribe: waiting for the language pair to be installed\n");
}

void TranscribeSession::preparationFailed(const Error &error)
{
    std::fprintf(stderr, "voxlume-transcribe: %s\n", qUtf8Printable(error.localizedDescription()));
    m_events.record({{u"event"_s, u"error"_s},
                     {u"model"_s, u"translation"_s},
                     {u"message"_s, error.localizedDescription()}});
    m_failed = true;
    finish();
}

void TranscribeSession::checkStarted()
{
    if (m_model.isListening())
        return;
    m_failed = true;
    finish();
}

void TranscribeSession::showSourceText()
{
    const std::optional<QString> text = m_model.sourceText();
    // With a translation, the line is printed when the translation comes.
    if (!text || m_translation)
        return;
    m_output << *text << Qt::endl;
    m_events.record(
        {{u"event"_s, u"display"_s}, {u"source"_s, *text}, {u"target"_s, QJsonValue()}});
}

void TranscribeSession::listeningModelDidUpdateFullTranscript(const QString &fullTranscript)
{
    const std::optional<qsizetype> solidified = m_model.fullTranscriptSolidifiedUntilIndex();
    m_events.record({{u"event"_s, u"merge"_s},
                     {u"fullTranscript"_s, fullTranscript},
                     {u"solidifiedUntil"_s, solidified ? QJsonValue(CharacterSequence::count(
                                                             fullTranscript.left(*solidified)))
                                                       : QJsonValue()}});
}

void TranscribeSession::reportError()
{
    const std::optional<QString> message = m_model.errorMessage();
    if (!message)
        return;
    std::fprintf(stderr, "voxlume-transcribe: %s\n", qUtf8Printable(*message));
    m_events.record(
        {{u"event"_s, u"error"_s}, {u"model"_s, u"listening"_s}, {u"message"_s, *message}});
}

void TranscribeSession::listeningModelDidStopListening()
{
    // Stopped by something other than the end of the run: the microphone failed.
    if (!m_finished && m_model.errorMessage()) {
        m_failed = true;
        finish();
    }
}

void TranscribeSession::finishWhenCaughtUp()
{
    m_catchUp.start();
}

void TranscribeSession::checkCaughtUp()
{
    const double progress = m_model.lastProcessedAudioDuration();
    m_quietChecks = progress == m_lastProgress ? m_quietChecks + 1 : 0;
    m_lastProgress = progress;
    if (m_quietChecks >= quietChecksToFinish)
        finish();
}

void TranscribeSession::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    m_catchUp.stop();
    m_model.stopListening();
    m_events.record({{u"event"_s, u"end"_s},
                     {u"fullTranscript"_s, m_model.fullTranscript()},
                     {u"transcriptId"_s, QJsonValue()}});
    Q_EMIT finished(m_failed ? 1 : 0);
}
