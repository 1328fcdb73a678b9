// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Base/Error.h"
#include "Base/Language.h"

#include <QString>
#include <optional>
#include <qcoro/qcorotask.h>
#include <variant>

/// A translator for one language pair, handed to a hosting view's action by its translation hook.
///
/// Operations suspend on the main thread's event loop. cancel() ends the ones under way, and every
/// later one, with cancellationError(): how a hook tells an action that it has been replaced.
class TranslationSession
{
public:
    virtual ~TranslationSession() = default;

    virtual std::optional<Language> sourceLanguage() const = 0;
    virtual std::optional<Language> targetLanguage() const = 0;

    /// Suspends until the pair can be used here, making it available if need be (which may ask
    /// the user); an error when that is refused or fails.
    virtual QCoro::Task<std::optional<Error>> prepareTranslation() = 0;

    /// The translation of \a text, or why there is none.
    virtual QCoro::Task<std::variant<QString, Error>> translate(QString text) = 0;

    /// Ends the operations under way and any later ones with cancellationError(). Main thread.
    virtual void cancel() = 0;

    /// The error of an operation that was cancelled.
    static Error cancellationError()
    {
        return Error::fromMessage(QStringLiteral("The translation was cancelled."),
                                  cancellationDomain(), 1);
    }
    static bool isCancellation(const Error &error)
    {
        return error.domain() == cancellationDomain();
    }

private:
    static QString cancellationDomain() { return QStringLiteral("Voxlume.TranslationCancelled"); }
};
