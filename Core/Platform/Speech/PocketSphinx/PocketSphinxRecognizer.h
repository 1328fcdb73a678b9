// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Platform/Speech/SpeechRecognizer.h"

#include <memory>

class PocketSphinxDecoder;

/// A recogniser for the locales of one pocketsphinx model, whose tasks share the model's decoder.
///
/// The decoder serves the newest task: a task started while an older one still runs takes over,
/// and the older one emits nothing more. Main thread.
class PocketSphinxRecognizer : public SpeechRecognizer
{
public:
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
    const std::shared_ptr<PocketSphinxDecoder> m_decoder;
};
