// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScriptedSpeechService.h"

#include "Base/Language.h"

#include <thread>

/// A recogniser that makes scripted tasks.
class ScriptedRecognizer : public SpeechRecognizer
{
public:
    explicit ScriptedRecognizer(ScriptedSpeechService &service)
        : m_service(service)
    {}

    void setDefaultTaskHint(TaskHint) override {}
    bool isAvailable() const override { return m_service.m_available; }
    std::shared_ptr<RecognitionTask>
    recognitionTask(const std::shared_ptr<RecognitionRequest> &request) override
    {
        return m_service.createTask(request);
    }

private:
    ScriptedSpeechService &m_service;
};

void ScriptedSpeechService::requestAuthorization(std::function<void(AuthorizationStatus)> handler)
{
    std::thread([handler = std::move(handler), status = m_status] { handler(status); }).detach();
}

void ScriptedSpeechService::finishPreparation()
{
    if (!m_preparation)
        return;
    std::exchange(m_preparation, nullptr)->finish();
    m_prepared = true;
}

QFuture<void> ScriptedSpeechService::prepareRecognizer(const Locale &)
{
    if (!m_holdsPreparations || m_prepared)
        return QtFuture::makeReadyFuture();
    if (!m_preparation) {
        m_preparation = std::make_unique<QPromise<void>>();
        m_preparation->start();
    }
    return m_preparation->future();
}

std::shared_ptr<SpeechRecognizer> ScriptedSpeechService::recognizer(const Locale &locale)
{
    const QString code = Language::fromLocale(locale).languageCode().value_or(QString());
    if (!m_supportedCodes.isEmpty() && !m_supportedCodes.contains(code))
        return nullptr;
    return std::make_shared<ScriptedRecognizer>(*this);
}

QList<ScriptedRecognitionTask *> ScriptedSpeechService::tasks() const
{
    QList<ScriptedRecognitionTask *> tasks;
    for (const std::shared_ptr<ScriptedRecognitionTask> &task : m_tasks)
        tasks << task.get();
    return tasks;
}

std::shared_ptr<RecognitionTask>
ScriptedSpeechService::createTask(const std::shared_ptr<RecognitionRequest> &request)
{
    auto task = std::make_shared<ScriptedRecognitionTask>(request);
    m_tasks.append(task);
    if (m_taskCreated)
        m_taskCreated(task.get());
    return task;
}

ScriptedRecognitionTask::ScriptedRecognitionTask(std::shared_ptr<RecognitionRequest> request)
    : m_request(std::move(request))
{}

double ScriptedRecognitionTask::takeAudioDuration()
{
    double seconds = 0;
    for (const AudioBufferPtr &buffer : m_request->takeBuffers())
        seconds += buffer->duration();
    return seconds;
}
