// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TranslationService.h"

#include <QObject>
#include <QPointer>
#include <functional>

class TranslationConfiguration;

/// What a hosting view attaches to a translation configuration: each time the configuration is
/// set or invalidated, the running action is cancelled at once and the action runs again, on a
/// later turn of the main loop, with a fresh session for the configured pair.
///
/// The later turn lets the change that caused the run finish first, and one run serves all the
/// changes of one turn. Main thread.
class TranslationTaskHook : public QObject
{
    Q_OBJECT

public:
    /// The view's work with a session; it learns of its cancellation through the session's errors.
    using Action = std::function<QCoro::Task<>(std::shared_ptr<TranslationSession> session)>;

    TranslationTaskHook(std::shared_ptr<TranslationService> service, Action action,
                        QObject *parent = nullptr);
    ~TranslationTaskHook() override;

    /// Watches \a configuration (none: stops watching, and cancels the running action); a
    /// configuration set runs the action.
    void setConfiguration(TranslationConfiguration *configuration);

private:
    void scheduleRun();
    void run();

    std::shared_ptr<TranslationService> m_service;
    Action m_action;
    QPointer<TranslationConfiguration> m_configuration;
    QMetaObject::Connection m_invalidation;
    std::shared_ptr<TranslationSession> m_session;
    bool m_runScheduled = false;
};
