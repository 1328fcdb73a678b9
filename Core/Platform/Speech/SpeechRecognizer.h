// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RecognitionRequest.h"
#include "RecognitionTask.h"

#include <memory>

/// A speech recogniser for one locale. Main thread.
class SpeechRecognizer
{
public:
    /// What recognition is tuned for.
    enum class TaskHint { Unspecified, Dictation, Search, Confirmation };

    virtual ~SpeechRecognizer() = default;

    virtual void setDefaultTaskHint(TaskHint hint) = 0;

    /// Whether recognition can run now.
    virtual bool isAvailable() const = 0;

    /// Starts recognising the audio of \a request, that appended so far and that to come.
    virtual std::shared_ptr<RecognitionTask>
    recognitionTask(const std::shared_ptr<RecognitionRequest> &request) = 0;
};
