// SPDX-License-Identifier: GPL-3.0-or-later
#include "TranscribeSession.h"

#include "CharacterSequence.h"
#include "ListeningModel.h"

#include <QJsonValue>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

// Recognition has caught up when nothing has moved for this long.
constexpr int catchUpCheckMs = 250;
constexpr int quietChecksToFinish = 6;

} // namespace

TranscribeSession::TranscribeSession(ListeningModel &model, EventLog &events, QObject *parent)
    : QObject(parent)
    , m_model(model)
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

void TranscribeSession::start(const Language &language)
{
    m_model.setSourceLanguage(language);
    m_model.scheduleStartListening();
    QMetaObject::invokeMethod(this, &TranscribeSession::checkStarted, Qt::QueuedConnection);
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
    if (!text)
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
