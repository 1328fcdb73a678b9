// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScriptPlayer.h"

#include "Models/ListeningModel.h"
#include "Platform/Speech/Scripted/ScriptedSpeechService.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

using Event = ScriptPlayer::Event;

bool isNumber(const QJsonValue &value)
{
    return value.isDouble() && std::isfinite(value.toDouble());
}

bool isCount(const QJsonValue &value)
{
    return isNumber(value) && value.toDouble() >= 0 &&
           std::floor(value.toDouble()) == value.toDouble();
}

std::variant<Transcription, QString> readHypothesis(const QJsonValue &value)
{
    const QJsonObject object = value.toObject();
    if (!object.value(u"text"_s).isString())
        return u"a hypothesis needs a \"text\""_s;
    Transcription transcription{object.value(u"text"_s).toString(), {}};
    for (const QJsonValue segment : object.value(u"segments"_s).toArray()) {
        const QJsonObject fields = segment.toObject();
        if (!isCount(fields.value(u"location"_s)) || !isCount(fields.value(u"length"_s)) ||
            !isNumber(fields.value(u"timestamp"_s)))
            return u"a segment needs a \"location\", a \"length\" and a \"timestamp\""_s;
        transcription.segments.append({qsizetype(fields.value(u"location"_s).toDouble()),
                                       qsizetype(fields.value(u"length"_s).toDouble()),
                                       fields.value(u"timestamp"_s).toDouble()});
    }
    return transcription;
}

std::variant<Event, QString> readEvent(const QJsonObject &object)
{
    Event event;
    if (object.value(u"stop"_s) == QJsonValue(true)) {
        event.kind = Event::Kind::Stop;
        return event;
    }
    if (object.value(u"start"_s) == QJsonValue(true)) {
        event.kind = Event::Kind::Start;
        return event;
    }
    if (object.contains(u"wait"_s)) {
        if (!isNumber(object.value(u"wait"_s)) || object.value(u"wait"_s).toDouble() < 0)
            return u"\"wait\" needs a number of seconds"_s;
        event.kind = Event::Kind::Wait;
        event.seconds = object.value(u"wait"_s).toDouble();
        return event;
    }
    if (!isCount(object.value(u"task"_s)) || object.value(u"task"_s).toDouble() < 1)
        return u"an event needs \"task\" (1 for the first task), \"wait\", \"stop\" or \"start\""_s;
    event.task = object.value(u"task"_s).toInt();
    if (object.contains(u"processed"_s)) {
        if (!isNumber(object.value(u"processed"_s)))
            return u"\"processed\" needs a number of seconds"_s;
        event.kind = Event::Kind::Processed;
        event.seconds = object.value(u"processed"_s).toDouble();
        return event;
    }
    if (!object.contains(u"hypothesis"_s))
        return u"a task's event needs \"hypothesis\" or \"processed\""_s;
    std::variant<Transcription, QString> hypothesis = readHypothesis(object.value(u"hypothesis"_s));
    if (const QString *error = std::get_if<QString>(&hypothesis))
        return *error;
    event.kind = Event::Kind::Hypothesis;
    event.transcription = std::get<Transcription>(std::move(hypothesis));
    return event;
}

} // namespace

std::variant<QList<Event>, QString> ScriptPlayer::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return u"%1: %2"_s.arg(path, file.errorString());
    QList<Event> events;
    int lineNumber = 0;
    while (!file.atEnd()) {
        ++lineNumber;
        const QByteArray line = file.readLine().trimmed();
        if (line.isEmpty())
            continue;
        QJsonParseError parseError;
        const QJsonDocument document = QJsonDocument::fromJson(line, &parseError);
        if (!document.isObject())
            return u"%1:%2: not a JSON object (%3)"_s.arg(path)
                .arg(lineNumber)
                .arg(parseError.errorString());
        std::variant<Event, QString> event = readEvent(document.object());
        if (const QString *error = std::get_if<QString>(&event))
            return u"%1:%2: %3"_s.arg(path).arg(lineNumber).arg(*error);
        events.append(std::get<Event>(std::move(event)));
        events.last().line = lineNumber;
    }
    return events;
}

ScriptPlayer::ScriptPlayer(QList<Event> events, ScriptedSpeechService &speech,
                           ListeningModel &model)
    : m_events(std::move(events))
    , m_speech(speech)
    , m_model(model)
{}

void ScriptPlayer::play()
{
    QTimer::singleShot(0, this, &ScriptPlayer::playNext);
}

void ScriptPlayer::playNext()
{
    if (m_next == m_events.size()) {
        Q_EMIT finished();
        return;
    }
    const Event &event = m_events.at(m_next++);
    if (!playEvent(event))
        return;
    const int delay = event.kind == Event::Kind::Wait ? int(event.seconds * 1000) : 0;
    QTimer::singleShot(delay, this, &ScriptPlayer::playNext);
}

bool ScriptPlayer::playEvent(const Event &event)
{
    switch (event.kind) {
    case Event::Kind::Wait:
        return true;
    case Event::Kind::Stop:
        m_model.stopListening();
        return true;
    case Event::Kind::Start:
        m_model.scheduleStartListening();
        return true;
    case Event::Kind::Hypothesis:
    case Event::Kind::Processed:
        break;
    }
    ScriptedRecognitionTask *task = m_speech.tasks().value(event.task - 1);
    if (!task) {
        Q_EMIT failed(u"line %1: task %2 has not been created"_s.arg(event.line).arg(event.task));
        return false;
    }
    if (event.kind == Event::Kind::Hypothesis)
        task->hypothesize(event.transcription);
    else
        task->processAudio(event.seconds);
    return true;
}
