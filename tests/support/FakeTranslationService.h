// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Platform/Translation/TranslationService.h"

#include <QHash>
#include <qcoro/qcorotimer.h>

/// A translation service whose answers a test sets: the status of each pair, whether preparing
/// succeeds, and a translation that marks its input. Every answer comes on a later turn of the
/// main loop, as a real service's would.
class FakeTranslationService : public TranslationService
{
public:
    class Session : public TranslationSession
    {
    public:
        Session(FakeTranslationService &service, std::optional<Language> source,
                std::optional<Language> target)
            : m_service(service)
            , m_source(std::move(source))
            , m_target(std::move(target))
        {}

        std::optional<Language> sourceLanguage() const override { return m_source; }
        std::optional<Language> targetLanguage() const override { return m_target; }
        // An answer may come back after the test let go of the service and the session, so
        // nothing of theirs is touched once the answer has waited.
        QCoro::Task<std::optional<Error>> prepareTranslation() override
        {
            ++m_service.preparations;
            const std::optional<Error> outcome = m_service.preparationError;
            const std::shared_ptr<const bool> cancelled = m_cancelled;
            co_await QCoro::sleepFor(std::chrono::milliseconds(10));
            if (*cancelled)
                co_return cancellationError();
            co_return outcome;
        }
        QCoro::Task<std::variant<QString, Error>> translate(QString text) override
        {
            const std::shared_ptr<const bool> cancelled = m_cancelled;
            co_await QCoro::sleepFor(std::chrono::milliseconds(10));
            if (*cancelled)
                co_return cancellationError();
            co_return QStringLiteral("[") + text + QStringLiteral("]");
        }
        void cancel() override { *m_cancelled = true; }
        bool isCancelled() const { return *m_cancelled; }

    private:
        FakeTranslationService &m_service;
        std::optional<Language> m_source;
        std::optional<Language> m_target;
        std::shared_ptr<bool> m_cancelled = std::make_shared<bool>(false);
    };

    /// Pairs not set are Supported.
    void setStatus(const Language &source, const Language &target, Status status)
    {
        m_statuses.insert(source.rawValue() + u'>' + target.rawValue(), status);
    }

    QCoro::Task<Status> status(Language source, std::optional<Language> target) override
    {
        ++statusQueries;
        const Status answer =
            m_statuses.value(source.rawValue() + u'>' + (target ? target->rawValue() : QString()),
                             Status::Supported);
        co_await QCoro::sleepFor(std::chrono::milliseconds(1));
        co_return answer;
    }
    QList<Status> statuses(const Language &source, const QList<Language> &targets) override
    {
        QList<Status> answers;
        for (const Language &target : targets)
            answers.append(
                m_statuses.value(source.rawValue() + u'>' + target.rawValue(), Status::Supported));
        return answers;
    }
    QCoro::Task<QList<Language>> supportedLanguages() override
    {
        const QList<Language> answer = languages;
        co_await QCoro::sleepFor(std::chrono::milliseconds(1));
        co_return answer;
    }
    std::shared_ptr<TranslationSession> makeSession(std::optional<Language> source,
                                                    std::optional<Language> target) override
    {
        auto session = std::make_shared<Session>(*this, std::move(source), std::move(target));
        sessions.append(session);
        return session;
    }

    std::optional<Error> preparationError;
    QList<Language> languages;
    int preparations = 0;
    int statusQueries = 0;
    QList<std::shared_ptr<Session>> sessions;

private:
    QHash<QString, Status> m_statuses;
};
