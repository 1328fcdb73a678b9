// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecognitionPacedAudioEngine.h"

#include "Models/ListeningModel.h"

namespace {

// How far capture may run ahead of recognition: about what a microphone's would be.
constexpr double leadSeconds = 0.5;
constexpr int pollMs = 20;

} // namespace

RecognitionPacedAudioEngine::RecognitionPacedAudioEngine(std::unique_ptr<AudioEngine> source)
    : m_source(std::move(source))
{
    m_poll.setInterval(pollMs);
    connect(&m_poll, &QTimer::timeout, this, &RecognitionPacedAudioEngine::updateAllowance);
}

RecognitionPacedAudioEngine::~RecognitionPacedAudioEngine()
{
    release();
    m_source->stop();
    m_source->removeTap();
}

void RecognitionPacedAudioEngine::follow(const ListeningModel &model)
{
    m_model = &model;
    connect(&model, &ListeningModel::didResetRecognition, this,
            &RecognitionPacedAudioEngine::taskReplaced);
    updateAllowance();
    m_poll.start();
}

void RecognitionPacedAudioEngine::installTap(int frameCount, Tap tap)
{
    m_source->installTap(frameCount, [this, tap = std::move(tap)](const AudioBufferPtr &buffer) {
        {
            std::unique_lock lock(m_lock);
            m_allowanceGrew.wait(
                lock, [this] { return m_released || m_deliveredSeconds < m_allowedSeconds; });
            m_deliveredSeconds += buffer->duration();
        }
        tap(buffer);
    });
}

void RecognitionPacedAudioEngine::removeTap()
{
    release();
    m_source->removeTap();
}

std::optional<Error> RecognitionPacedAudioEngine::start()
{
    {
        const std::lock_guard lock(m_lock);
        m_released = false;
    }
    return m_source->start();
}

void RecognitionPacedAudioEngine::stop()
{
    // A delivery waiting for recognition would keep the source's stop() waiting for it.
    release();
    m_source->stop();
}

void RecognitionPacedAudioEngine::release()
{
    {
        const std::lock_guard lock(m_lock);
        m_released = true;
    }
    m_allowanceGrew.notify_all();
}

void RecognitionPacedAudioEngine::taskReplaced(double processedAudioDuration,
                                               double replayedAudioDuration)
{
    m_recognisedBefore += std::max(processedAudioDuration - m_currentReplay, 0.0);
    m_currentReplay = replayedAudioDuration;
}

void RecognitionPacedAudioEngine::updateAllowance()
{
    const double recognised =
        m_recognisedBefore + std::max(m_model->lastProcessedAudioDuration() - m_currentReplay, 0.0);
    {
        const std::lock_guard lock(m_lock);
        m_allowedSeconds = recognised + leadSeconds;
    }
    m_allowanceGrew.notify_all();
}
