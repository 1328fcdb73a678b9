// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TranslationSession.h"

#include <functional>
#include <memory>

/// A translation session that tells its watcher when preparing the pair fails, so that a run that
/// can never translate says why rather than waiting for ever.
class ObservedTranslationSession : public TranslationSession
{
public:
    ObservedTranslationSession(std::shared_ptr<TranslationSession> session,
                               std::function<void(const Error &)> preparationFailed)
        : m_session(std::move(session))
        , m_preparationFailed(std::move(preparationFailed))
    {}

    std::optional<Language> sourceLanguage() const override { return m_session->sourceLanguage(); }
    std::optional<Language> targetLanguage() const override { return m_session->targetLanguage(); }
    QCoro::Task<std::optional<Error>> prepareTranslation() override
    {
        const std::shared_ptr<TranslationSession> session = m_session;
        const auto failed = m_preparationFailed;
        std::optional<Error> error = co_await session->prepareTranslation();
        if (error && !isCancellation(*error))
            failed(*error);
        co_return error;
    }
    QCoro::Task<std::variant<QString, Error>> translate(QString text) override
    {
        return m_session->translate(std::move(text));
    }
    void cancel() override { m_session->cancel(); }

private:
    std::shared_ptr<TranslationSession> m_session;
    std::function<void(const Error &)> m_preparationFailed;
};
