// SPDX-License-Identifier: GPL-3.0-or-later
#include "PocketSphinxTask.h"

#include "Base/MainThreadRelay.h"

#include <QPointer>

PocketSphinxTask::PocketSphinxTask(std::shared_ptr<PocketSphinxDecoder> decoder,
                                   const std::shared_ptr<RecognitionRequest> &request)
    : m_decoder(std::move(decoder))
{
    // Made here, on the main thread, before the worker may post through it.
    MainThreadRelay::instance();
    // The decoder calls this with its lock held and never after release(), which the destructor
    // calls: the task is alive whenever it runs.
    auto post = [this](const PocketSphinxDecoder::Progress &progress) { this->post(progress); };
    m_ticket = m_decoder->serve(request, request->addsPunctuation(), std::move(post));
}

PocketSphinxTask::~PocketSphinxTask()
{
    cancel();
}

void PocketSphinxTask::cancel()
{
    if (m_cancelled)
        return;
    m_cancelled = true;
    m_decoder->release(m_ticket);
}

void PocketSphinxTask::post(const PocketSphinxDecoder::Progress &progress)
{
    const std::lock_guard lock(m_inbox->mutex);
    m_inbox->progress.push_back(progress);
    // One call delivers everything that has arrived by the time it runs.
    if (m_inbox->progress.size() == 1)
        MainThreadRelay::instance().post(std::weak_ptr(m_inbox), [this] { deliverPosted(); });
}

void PocketSphinxTask::deliverPosted()
{
    std::vector<PocketSphinxDecoder::Progress> posted;
    {
        const std::lock_guard lock(m_inbox->mutex);
        posted.swap(m_inbox->progress);
    }
    // A receiver may cancel the task, or drop the last reference to it, from within a signal.
    const QPointer<PocketSphinxTask> alive(this);
    const auto stopped = [&] { return !alive || m_cancelled; };
    for (const PocketSphinxDecoder::Progress &progress : posted) {
        if (progress.transcription && !stopped())
            Q_EMIT didHypothesizeTranscription(*progress.transcription);
        if (progress.processedSeconds && !stopped())
            Q_EMIT didProcessAudioDuration(*progress.processedSeconds);
    }
}
