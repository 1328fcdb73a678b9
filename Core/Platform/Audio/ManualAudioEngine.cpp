// SPDX-License-Identifier: GPL-3.0-or-later
#include "ManualAudioEngine.h"

void ManualAudioEngine::fail(const Error &error)
{
    if (m_failureHandler)
        m_failureHandler(error);
}

void ManualAudioEngine::notify(const QString &message)
{
    if (m_noticeHandler)
        m_noticeHandler(message);
}

void ManualAudioEngine::deliver(const AudioBufferPtr &buffer)
{
    // Held while the tap runs, so that stop() and removeTap() wait for a delivery under way.
    const std::lock_guard lock(m_lock);
    if (m_running && m_tap)
        m_tap(buffer);
}

bool ManualAudioEngine::isRunning() const
{
    const std::lock_guard lock(m_lock);
    return m_running;
}

void ManualAudioEngine::installTap(int, Tap tap)
{
    const std::lock_guard lock(m_lock);
    m_tap = std::move(tap);
}

void ManualAudioEngine::removeTap()
{
    const std::lock_guard lock(m_lock);
    m_tap = nullptr;
}

void ManualAudioEngine::finishPreparation()
{
    if (!isPreparing())
        return;
    m_prepared = true;
    m_preparation->finish();
}

QFuture<void> ManualAudioEngine::prepareToStart()
{
    if (!m_holdsPreparations || m_prepared || isRunning())
        return QtFuture::makeReadyFuture();
    if (!m_preparation) {
        m_preparation = std::make_unique<QPromise<void>>();
        m_preparation->start();
    }
    return m_preparation->future();
}

std::optional<Error> ManualAudioEngine::start()
{
    // A start uses up what was prepared, and makes a preparation under way needless.
    m_preparation.reset();
    m_prepared = false;
    const std::lock_guard lock(m_lock);
    if (std::optional<Error> error = std::exchange(m_startError, std::nullopt))
        return error;
    m_running = true;
    return std::nullopt;
}

void ManualAudioEngine::stop()
{
    // As a real device's would be, the preparation's future is cancelled.
    m_preparation.reset();
    m_prepared = false;
    const std::lock_guard lock(m_lock);
    m_running = false;
}

void ManualAudioEngine::setFailureHandler(std::function<void(const Error &)> handler)
{
    m_failureHandler = std::move(handler);
}

void ManualAudioEngine::setEndOfInputHandler(std::function<void()> handler)
{
    m_endOfInputHandler = std::move(handler);
}

void ManualAudioEngine::setNoticeHandler(std::function<void(const QString &)> handler)
{
    m_noticeHandler = std::move(handler);
}

void ManualAudioEngine::endInput()
{
    if (m_endOfInputHandler)
        m_endOfInputHandler();
}
