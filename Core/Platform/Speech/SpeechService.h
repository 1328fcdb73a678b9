// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Base/Locale.h"
#include "SpeechRecognizer.h"

#include <QFuture>
#include <functional>
#include <memory>

/// The system's speech recognition: permission, and recognisers by locale. Main thread.
class SpeechService
{
public:
    enum class AuthorizationStatus { NotDetermined, Denied, Restricted, Authorized };

    virtual ~SpeechService() = default;

    /// Asks for permission to recognise speech; \a handler receives the answer, on any thread.
    virtual void requestAuthorization(std::function<void(AuthorizationStatus)> handler) = 0;

    /// Does the slow part of the first recognizer() for \a locale without keeping the main thread
    /// waiting: once the future has finished, recognizer() returns at once.
    virtual QFuture<void> prepareRecognizer(const Locale &) { return QtFuture::makeReadyFuture(); }

    /// A recogniser for \a locale, or none when no model serves it (or the model is damaged).
    virtual std::shared_ptr<SpeechRecognizer> recognizer(const Locale &locale) = 0;
};
