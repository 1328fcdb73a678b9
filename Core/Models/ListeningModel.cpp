// SPDX-License-Identifier: GPL-3.0-or-later
#include "ListeningModel.h"

#include "Base/Logging.h"
#include "Base/MainThreadRelay.h"
#include "Base/SourceLog.h"
#include "Platform/Language/LexicalTagger.h"

#include <QCoreApplication>
#include <QHash>
#include <QPointer>
#include <qcoro/qcorofuture.h>

using namespace Qt::Literals::StringLiterals;

namespace {

const SourceLog sourceLog(u"Core/ListeningModel"_s);
const QString hypothesisMethod = u"speechRecognitionTask(_:didHypothesizeTranscription:)"_s;
constexpr int tapFrameCount = 1024;
constexpr double resetInterval = 30.0;
// How far behind the audio given to it a new task may be when it takes over the display: about
// what a decoder holds back before it reports.
constexpr double catchUpSlack = 0.5;
// Between merges, the owner is handed the text heard so far at least this often, in seconds of
// audio, and at every finished sentence: what a crash or a kill can take.
constexpr double handOnInterval = 5.0;

// The sentences that \a text has finished, by their final marks.
qsizetype finishedSentences(const QString &text)
{
    static const QString marks = u".!?\u2026\u3002\uFF01\uFF1F"_s;
    return std::count_if(text.cbegin(), text.cend(),
                         [](QChar character) { return marks.contains(character); });
}

// The models that exist, by number. Main thread only.
QHash<quint64, ListeningModel *> &liveModels()
{
    static QHash<quint64, ListeningModel *> models;
    return models;
}

} // namespace

ListeningModel::ListeningModel(std::shared_ptr<SpeechService> speech,
                               std::unique_ptr<AudioEngine> audioEngine, QObject *parent)
    : ErrorReportingModel(sourceLog.file(), parent)
    , m_speech(std::move(speech))
    , m_audioEngine(std::move(audioEngine))
{
    static quint64 lastId = 0;
    m_id = ++lastId;
    liveModels().insert(m_id, this);
    m_audioEngine->setFailureHandler([this](const Error &error) { handleCaptureFailure(error); });
    m_audioEngine->setNoticeHandler([this](const QString &message) {
        sourceLog.breadcrumb(u"Input changed: "_s + message);
        Q_EMIT inputNotice(message);
    });
    // The answer may come on any thread, and the model may be gone by then. Only a number
    // crosses threads; the main thread looks the model up by it.
    MainThreadRelay &relay = MainThreadRelay::instance();
    m_speech->requestAuthorization([id = m_id, &relay](SpeechService::AuthorizationStatus status) {
        relay.post([id, status] {
            if (ListeningModel *model = liveModels().value(id))
                model->handleAuthorizationStatus(status);
        });
    });
}

ListeningModel::~ListeningModel()
{
    liveModels().remove(m_id);
    // Nothing may reach the tap once the buffers and the request go away.
    m_audioEngine->stop();
    m_audioEngine->removeTap();
}

void ListeningModel::setSourceLanguage(const std::optional<Language> &language)
{
    const bool hadLanguage = m_sourceLanguage.has_value();
    m_sourceLanguage = language;
    m_assembly.setLanguage(language);
    if (hadLanguage) {
        stopListening();
        setSourceText(std::nullopt);
    }
    if (language)
        requestTaggingAssets(*language);
}

void ListeningModel::requestTaggingAssets(const Language &language)
{
    LexicalTagger::requestAssets(language.rawValue(), [](const std::optional<Error> &error) {
        Logging::shared().writeLine(error ? u"Error requesting NLTagger assets: "_s +
                                                error->description()
                                          : u"Asset request completed for NLTagger assets"_s);
    });
}

void ListeningModel::scheduleStartListening()
{
    MainThreadRelay::instance().post([id = m_id, stopCount = m_stopCount] {
        if (ListeningModel *model = liveModels().value(id))
            model->startWhenPrepared(stopCount);
    });
}

QCoro::Task<> ListeningModel::startWhenPrepared(quint64 stopCount)
{
    const QPointer<ListeningModel> self = this;
    const Locale locale = Language::localeOf(m_sourceLanguage);
    const auto cancelled = [this, stopCount] { return stopCount != m_stopCount; };
    ++m_startsBeingPrepared;
    // Asked again after every wait, until both are ready when asked: an earlier start may have used
    // up what the engine readied, and startListening() must not have to wait for it.
    bool ready = false;
    while (!ready && !cancelled()) {
        // Both at once: the recogniser's model check and the microphone's opening take their own
        // time.
        const QFuture<void> recognizer = m_speech->prepareRecognizer(locale);
        const QFuture<void> audio = m_audioEngine->prepareToStart();
        ready = recognizer.isFinished() && audio.isFinished();
        co_await recognizer;
        co_await audio;
        if (!self)
            co_return;
    }
    --m_startsBeingPrepared;
    if (!ready)
        co_return;
    startListening();
    // A start that failed before reaching the engine, an unsupported language for one, leaves it
    // holding what it readied, an open microphone perhaps.
    if (!isListening())
        m_audioEngine->stop();
}

void ListeningModel::startListening()
{
    const QString method = u"startListening()"_s;
    if (isListening()) {
        sourceLog.breadcrumb(u"Ignoring request to start listening, already listening"_s, method);
        return;
    }
    sourceLog.breadcrumb(u"Starting listening"_s, method);
    if (m_delegate)
        m_delegate->listeningModelDidStartListening();
    // Otherwise the window would go on asking for speech that nothing hears, so the user is told
    // even without asking to see errors.
    if (const std::optional<QString> failure = beginRecognition())
        setErrorMessage(*failure, Alert::Always);
    // A start that failed is over at once: the owner undoes what it did for the start, such as
    // opening a transcript that would otherwise stay behind empty.
    if (!isListening() && m_delegate)
        m_delegate->listeningModelDidStopListening();
    Q_EMIT listeningChanged();
}

std::optional<QString> ListeningModel::beginRecognition()
{
    const Locale locale = Language::localeOf(m_sourceLanguage);
    std::shared_ptr<SpeechRecognizer> recognizer = m_speech->recognizer(locale);
    if (!recognizer)
        return tr("Speech recognition is not supported for ") + locale.identifier() + u'.';
    recognizer->setDefaultTaskHint(SpeechRecognizer::TaskHint::Dictation);
    m_speechRecognizer = recognizer;
    if (!recognizer->isAvailable())
        return tr("Speech recognition is not available.");
    {
        const std::lock_guard lock(m_capture->lock);
        m_capture->recognitionRequest = makeRequest();
        m_capture->requestSeconds = 0;
        // What an earlier run heard is not this run's to hear again after a reset.
        m_capture->audioBuffers.clear();
    }
    // A run's cues start on a clock of their own.
    m_current = {};
    m_cueBuilder = {};
    setLiveText(QString());

    m_audioEngine->installTap(tapFrameCount,
                              [capture = std::weak_ptr(m_capture)](const AudioBufferPtr &buffer) {
                                  const std::shared_ptr<Capture> state = capture.lock();
                                  if (!state)
                                      return;
                                  const std::lock_guard lock(state->lock);
                                  state->audioBuffers.push_back(buffer);
                                  if (state->recognitionRequest) {
                                      state->recognitionRequest->append(buffer);
                                      state->requestSeconds += buffer->duration();
                                  }
                                  if (state->outgoingRequest)
                                      state->outgoingRequest->append(buffer);
                              });
    m_audioEngine->prepare();
    if (const std::optional<Error> error = m_audioEngine->start()) {
        m_audioEngine->removeTap();
        Logging::shared().logError(*error);
        return error->localizedDescription();
    }
    startRecognitionTask();
    return std::nullopt;
}

std::shared_ptr<RecognitionRequest> ListeningModel::makeRequest()
{
    auto request = std::make_shared<RecognitionRequest>();
    request->setAddsPunctuation(true);
    return request;
}

void ListeningModel::startRecognitionTask()
{
    std::shared_ptr<RecognitionRequest> request;
    {
        const std::lock_guard lock(m_capture->lock);
        request = m_capture->recognitionRequest;
    }
    if (!request || !m_speechRecognizer)
        return;
    if (m_recognitionTask)
        m_recognitionTask->cancel();
    m_assembly.beginTask();
    m_handedOnAt = 0;
    m_handedOnSentences = 0;
    m_recognitionTask = m_speechRecognizer->recognitionTask(request);
    const RecognitionTask *task = m_recognitionTask.get();
    connect(task, &RecognitionTask::didHypothesizeTranscription, this,
            [this, task](const Transcription &transcription) {
                speechRecognitionTaskDidHypothesize(task, transcription);
            });
    connect(task, &RecognitionTask::didProcessAudioDuration, this,
            [this, task](double seconds) { speechRecognitionTaskDidProcessAudio(task, seconds); });
}

void ListeningModel::stopListening()
{
    const QString method = u"stopListening()"_s;
    ++m_stopCount;
    if (!isListening()) {
        sourceLog.breadcrumb(u"Ignoring request to stop listening, not listening"_s, method);
        // The cancelled starts' engine preparation goes with them.
        if (m_startsBeingPrepared > 0)
            m_audioEngine->stop();
        return;
    }
    sourceLog.breadcrumb(u"Stopping listening"_s, method);
    // The display shows the replaced task until the new one has caught up, and so does the text.
    finishCues(m_outgoingTask ? m_outgoing : m_current);
    stopAudioAndRecognition();
    m_assembly.merge(m_currentSegmentTranscription);
    notifyFullTranscriptUpdated();
    // A finished run is final: a later run may add to it, never rewrite it.
    m_assembly.solidify();
    if (m_delegate)
        m_delegate->listeningModelDidStopListening();
    Q_EMIT listeningChanged();
}

void ListeningModel::stopAudioAndRecognition()
{
    m_audioEngine->stop();
    m_audioEngine->removeTap();
    if (m_recognitionTask)
        m_recognitionTask->cancel();
    m_recognitionTask.reset();
    if (m_outgoingTask)
        dropOutgoingTask();
}

void ListeningModel::speechRecognitionTaskDidProcessAudio(const RecognitionTask *task,
                                                          double seconds)
{
    if (m_outgoingTask && task == m_outgoingTask.get())
        m_outgoing.processed = seconds;
    if (task != m_recognitionTask.get())
        return;
    m_current.processed = seconds;
    resetRecognitionIfNeeded();
}

void ListeningModel::resetRecognitionIfNeeded()
{
    if (m_current.processed < resetInterval)
        return;
    // A task that never caught up with the one it replaced gives way now.
    if (m_outgoingTask)
        finishOverlap();
    double replayed = 0;
    double heard = 0;
    {
        const std::lock_guard lock(m_capture->lock);
        heard = m_capture->requestSeconds;
        std::vector<AudioBufferPtr> &buffers = m_capture->audioBuffers;
        const std::vector<AudioBufferPtr> kept(buffers.end() - qsizetype(buffers.size() / 2),
                                               buffers.end());
        std::shared_ptr<RecognitionRequest> request = makeRequest();
        for (const AudioBufferPtr &buffer : kept) {
            request->append(buffer);
            replayed += buffer->duration();
        }
        m_capture->outgoingRequest = std::exchange(m_capture->recognitionRequest, request);
        m_capture->requestSeconds = replayed;
        buffers = kept;
    }
    const double processed = m_current.processed;
    m_ignoreTranscriptionUntil = processed * 0.5;
    m_assembly.merge(m_currentSegmentTranscription);
    notifyFullTranscriptUpdated();
    // The old task goes on until the new one has caught up; the pause point stays with it.
    m_outgoingTask = std::exchange(m_recognitionTask, nullptr);
    m_outgoingTextChanged = false;
    // The new task's audio begins where its replay begins in the run's.
    m_outgoing = std::exchange(m_current, TaskClock{m_current.start + heard - replayed, 0, {}});
    startRecognitionTask();
    Q_EMIT didResetRecognition(processed, replayed);
}

bool ListeningModel::hasCaughtUp() const
{
    const std::lock_guard lock(m_capture->lock);
    return m_current.processed >= m_capture->requestSeconds - catchUpSlack;
}

void ListeningModel::finishOverlap()
{
    finishCues(m_outgoing);
    if (m_outgoingTextChanged) {
        m_assembly.merge(m_currentSegmentTranscription);
        notifyFullTranscriptUpdated();
    }
    dropOutgoingTask();
}

void ListeningModel::dropOutgoingTask()
{
    m_outgoingTask->cancel();
    m_outgoingTask.reset();
    {
        const std::lock_guard lock(m_capture->lock);
        m_capture->outgoingRequest.reset();
    }
    // The pause point was the old task's: the new task's timestamps start afresh.
    m_assembly.clearPausePoint();
}

void ListeningModel::handleAuthorizationStatus(SpeechService::AuthorizationStatus status)
{
    if (status != SpeechService::AuthorizationStatus::Authorized)
        setErrorMessage(tr("Speech recognition is not authorized."));
}

void ListeningModel::handleCaptureFailure(const Error &error)
{
    // The microphone went away or failed mid-run: end the run as a stop would, so the text heard
    // so far is merged and kept, then say why.
    Logging::shared().logError(error);
    stopListening();
    setErrorMessage(error.localizedDescription());
}

void ListeningModel::speechRecognitionTaskDidHypothesize(const RecognitionTask *task,
                                                         const Transcription &transcription)
{
    if (m_outgoingTask && task == m_outgoingTask.get()) {
        m_outgoingTextChanged |= transcription.formattedString != m_currentSegmentTranscription;
        acceptHypothesis(transcription, m_outgoing);
        return;
    }
    if (!m_recognitionTask || task != m_recognitionTask.get())
        return;
    if (m_ignoreTranscriptionUntil) {
        const double ignoredUntil = *m_ignoreTranscriptionUntil;
        if (m_current.processed < ignoredUntil || (m_outgoingTask && !hasCaughtUp()))
            return;
        if (m_outgoingTask)
            finishOverlap();
        sourceLog.breadcrumb(u"Resuming transcription after buffer reset"_s, hypothesisMethod);
        m_ignoreTranscriptionUntil.reset();
        m_assembly.mergeFirstTextAfterReset(transcription, ignoredUntil);
        notifyFullTranscriptUpdated();
        // The new task's text reaches back into the replayed audio, which the display has shown
        // already: placed first, the pause point spares the line a jump back to all of it.
        m_assembly.movePausePoint(transcription);
    }
    acceptHypothesis(transcription, m_current);
}

void ListeningModel::acceptHypothesis(const Transcription &transcription, TaskClock &clock)
{
    clock.lastHypothesis = transcription;
    handOnCues(m_cueBuilder.take(transcription, clock.start, clock.processed));
    m_currentSegmentTranscription = transcription.formattedString;
    const TranscriptAssembly::Display shown = m_assembly.show(transcription);
    setLiveText(m_cueBuilder.uncuedText(transcription, clock.start));
    setSourceText(shown.text);
    sourceLog.breadcrumb(u"New transcription segment (length "_s +
                             QString::number(shown.characters),
                         hypothesisMethod);
    if (m_delegate)
        m_delegate->listeningModelDidReceiveTranscription();
    handOnHeardTextIfDue();
}

void ListeningModel::handOnHeardTextIfDue()
{
    const qsizetype sentences = finishedSentences(m_currentSegmentTranscription);
    if (m_current.processed - m_handedOnAt < handOnInterval && sentences <= m_handedOnSentences)
        return;
    m_handedOnAt = m_current.processed;
    m_handedOnSentences = sentences;
    if (m_delegate)
        m_delegate->listeningModelDidUpdateFullTranscript(
            m_assembly.fullTranscriptWith(m_currentSegmentTranscription));
}

void ListeningModel::finishCues(const TaskClock &clock)
{
    handOnCues(m_cueBuilder.finish(clock.lastHypothesis, clock.start, clock.processed));
    setLiveText(QString());
}

void ListeningModel::handOnCues(const QList<CaptionCue> &cues)
{
    if (!cues.isEmpty() && m_delegate)
        m_delegate->listeningModelDidFinishCues(cues);
}

void ListeningModel::notifyFullTranscriptUpdated()
{
    Q_EMIT fullTranscriptChanged();
    if (m_delegate)
        m_delegate->listeningModelDidUpdateFullTranscript(m_assembly.fullTranscript());
}

void ListeningModel::setLiveText(const QString &text)
{
    if (m_liveText == text)
        return;
    m_liveText = text;
    Q_EMIT liveTextChanged();
}

void ListeningModel::setSourceText(const std::optional<QString> &text)
{
    if (m_sourceText == text)
        return;
    m_sourceText = text;
    Q_EMIT sourceTextChanged();
}
