// SPDX-License-Identifier: GPL-3.0-or-later
#include "TranslationTaskHook.h"

#include "TranslationConfiguration.h"

TranslationTaskHook::TranslationTaskHook(std::shared_ptr<TranslationService> service, Action action,
                                         QObject *parent)
    : QObject(parent)
    , m_service(std::move(service))
    , m_action(std::move(action))
{}

TranslationTaskHook::~TranslationTaskHook()
{
    if (m_session)
        m_session->cancel();
}

void TranslationTaskHook::setConfiguration(TranslationConfiguration *configuration)
{
    if (configuration == m_configuration)
        return;
    disconnect(m_invalidation);
    m_configuration = configuration;
    if (!configuration) {
        if (m_session)
            m_session->cancel();
        m_session.reset();
        return;
    }
    m_invalidation = connect(configuration, &TranslationConfiguration::invalidated, this,
                             &TranslationTaskHook::scheduleRun);
    scheduleRun();
}

void TranslationTaskHook::scheduleRun()
{
    // Cancelled now, so that nothing the old session still delivers is taken for current.
    if (m_session)
        m_session->cancel();
    m_session.reset();
    if (std::exchange(m_runScheduled, true))
        return;
    QMetaObject::invokeMethod(this, &TranslationTaskHook::run, Qt::QueuedConnection);
}

void TranslationTaskHook::run()
{
    m_runScheduled = false;
    if (!m_configuration)
        return;
    m_session = m_service->makeSession(m_configuration->source(), m_configuration->target());
    // The action runs on by itself; the session's cancellation is how it learns to stop.
    m_action(m_session);
}
