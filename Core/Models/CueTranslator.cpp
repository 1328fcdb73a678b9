// SPDX-License-Identifier: GPL-3.0-or-later
#include "CueTranslator.h"

#include "Base/Logging.h"
#include "Platform/Translation/TranslationSession.h"

#include <QPointer>

CueTranslator::CueTranslator(std::shared_ptr<TranslationService> service, QObject *parent)
    : QObject(parent)
    , m_service(std::move(service))
{}

CueTranslator::~CueTranslator()
{
    if (m_session)
        m_session->cancel();
}

void CueTranslator::translate(Job job)
{
    m_queue.push_back(std::move(job));
    if (!m_running)
        run();
}

std::shared_ptr<TranslationSession> CueTranslator::sessionFor(const Job &job)
{
    if (m_session && m_session->sourceLanguage() == job.source &&
        m_session->targetLanguage() == job.target)
        return m_session;
    m_session = m_service->makeSession(job.source, job.target);
    return m_session;
}

QCoro::Task<> CueTranslator::run()
{
    const QPointer<CueTranslator> self(this);
    m_running = true;
    while (!m_queue.empty()) {
        Job job = std::move(m_queue.front());
        m_queue.pop_front();
        // Held here too: a change of pair replaces the member while this translation runs.
        const std::shared_ptr<TranslationSession> session = sessionFor(job);
        std::variant<QString, Error> result = co_await session->translate(job.cue.text);
        if (!self)
            co_return;
        if (const QString *translation = std::get_if<QString>(&result))
            job.cue.translation = *translation;
        else
            Logging::shared().logError(std::get<Error>(result));
        Q_EMIT translated(job.transcript, job.index, job.cue);
    }
    m_running = false;
    Q_EMIT idle();
}

void CueTranslator::finishDetached(Delivery deliver)
{
    setParent(nullptr);
    disconnect(this, &CueTranslator::translated, nullptr, nullptr);
    if (deliver)
        connect(this, &CueTranslator::translated, this, std::move(deliver));
    connect(this, &CueTranslator::idle, this, &QObject::deleteLater);
    if (!m_running)
        deleteLater();
}
