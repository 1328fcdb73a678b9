// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Platform/Speech/SpeechRecognizer.h"

#include <memory>
#include <vector>

class PocketSphinxDecoder;

/// A recogniser for the locales of one pocketsphinx model, whose tasks share the model's two
/// decoders.
///
/// A task takes a decoder that serves no task; so that a replacement task can catch up while the
/// task it replaces goes on, a second decoder is loaded for it the first time both would be
/// needed. When both serve tasks, the newer task takes the decoder of the older, which emits
/// nothing more. Main thread.
class PocketSphinxRecognizer : public SpeechRecognizer
{
public:
    /// Starts with \a decoder; the second one is loaded when it is first needed.
    explicit PocketSphinxRecognizer(std::shared_ptr<PocketSphinxDecoder> decoder);

    /// Changes nothing: a model has one language model, which serves every kind of task.
    void setDefaultTaskHint(TaskHint hint) override;

    /// False when the model failed to load in this process after all, or the application is
    /// shutting down.
    bool isAvailable() const override;

    /// A task that recognises \a request's audio; none without a request.
    std::shared_ptr<RecognitionTask>
    recognitionTask(const std::shared_ptr<RecognitionRequest> &request) override;

private:
    std::shared_ptr<PocketSphinxDecoder> freeDecoder();

    std::vector<std::shared_ptr<PocketSphinxDecoder>> m_decoders;
    // The decoder that took the newest task.
    size_t m_newest = 0;
};
