// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Platform/Speech/RecognitionTask.h"
#include "PocketSphinxDecoder.h"

#include <memory>
#include <mutex>
#include <vector>

/// A recognition task on a language's shared pocketsphinx decoder.
///
/// Progress decoded on the worker thread is posted to the task and emitted on the main thread,
/// where a cancelled task drops whatever was still on its way. The decoder serves the newest task
/// of its language: starting a task while an older one still runs leaves the older one silent, as
/// though it had been cancelled. Destroying a task cancels it. Main thread.
class PocketSphinxTask : public RecognitionTask
{
    Q_OBJECT

public:
    /// Starts recognising \a request's audio with \a decoder, which the task keeps alive.
    PocketSphinxTask(std::shared_ptr<PocketSphinxDecoder> decoder,
                     const std::shared_ptr<RecognitionRequest> &request);
    ~PocketSphinxTask() override;

    void cancel() override;

private:
    // Progress on its way from the worker, oldest first. Goes with the task, and the relay's call
    // with it.
    struct Inbox
    {
        std::mutex mutex;
        std::vector<PocketSphinxDecoder::Progress> progress;
    };

    // On the worker thread, with the decoder's lock held.
    void post(const PocketSphinxDecoder::Progress &progress);
    void deliverPosted();

    const std::shared_ptr<PocketSphinxDecoder> m_decoder;
    const std::shared_ptr<Inbox> m_inbox = std::make_shared<Inbox>();
    quint64 m_ticket = 0;
    bool m_cancelled = false;
};
