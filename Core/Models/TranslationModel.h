// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Base/Language.h"
#include "Base/WeakDelegate.h"
#include "ErrorReportingModel.h"
#include "Platform/Translation/TranslationConfiguration.h"
#include "Platform/Translation/TranslationService.h"
#include "TranslationModelDelegate.h"

#include <memory>

/// Decides when a translation may run, and runs it: checks once per language pair whether the
/// pair is installed, has a missing pair prepared, waits until it is ready, then translates with
/// the session that the hosting view's translation hook supplies.
///
/// Main thread; translate() suspends on the main event loop.
class TranslationModel : public ErrorReportingModel
{
    Q_OBJECT

public:
    /// What is known of whether the current pair is installed.
    enum class LanguagePairValidationStatus { NotStarted, Valid, Invalid };
    Q_ENUM(LanguagePairValidationStatus)

    explicit TranslationModel(std::shared_ptr<TranslationService> service,
                              QObject *parent = nullptr);
    ~TranslationModel() override;

    /// The owner to tell when the pair is ready; held weakly.
    void setDelegate(TranslationModelDelegate *delegate) { m_delegate = delegate; }

    /// Where the hosting view's hook gets its sessions: the service that checks the pairs.
    std::shared_ptr<TranslationService> service() const { return m_service; }

    std::optional<Language> sourceLanguage() const { return m_sourceLanguage; }
    /// Stores \a language, even an equal one, forgets whether the pair is installed, and triggers.
    void setSourceLanguage(const std::optional<Language> &language);
    std::optional<Language> targetLanguage() const { return m_targetLanguage; }
    void setTargetLanguage(const std::optional<Language> &language);

    bool isPreparingTranslation() const { return m_isPreparingTranslation; }
    /// A preparation was started at least once.
    bool hasDownloadBeenPrompted() const { return m_hasDownloadBeenPrompted; }
    /// A trigger has refreshed the configuration and no translation has used it yet.
    bool didTriggerTranslation() const { return m_didTriggerTranslation; }
    /// A hosting view whose run chose not to translate sets it back to false, so that the next
    /// trigger is not taken for a second one.
    void setDidTriggerTranslation(bool triggered) { m_didTriggerTranslation = triggered; }
    LanguagePairValidationStatus languagePairValidationStatus() const { return m_status; }
    /// What the hosting view's hook watches; none until both languages are known.
    TranslationConfiguration *translationConfiguration() const
    {
        return m_translationConfiguration.get();
    }

    /// Creates the configuration, or invalidates it, so that the hook runs with a fresh session.
    void triggerTranslation();

    /// The translation of \a text with \a session: the text unchanged when the session's languages
    /// are equal, none while the pair is being checked or prepared, or on failure.
    QCoro::Task<std::optional<QString>> translate(std::optional<QString> text,
                                                  std::shared_ptr<TranslationSession> session);

Q_SIGNALS:
    void isPreparingTranslationChanged();
    void hasDownloadBeenPromptedChanged();
    void languagePairValidationStatusChanged();
    void translationConfigurationChanged();

private:
    void languagesChanged();
    QCoro::Task<> checkAvailability(Language source, Language target);
    QCoro::Task<> prepare(std::shared_ptr<TranslationSession> session);
    QCoro::Task<> waitUntilReady();
    void setStatus(LanguagePairValidationStatus status);
    void setPreparing(bool preparing);
    void becomeReady();
    void report(const Error &error, const TranslationSession &session);

    std::shared_ptr<TranslationService> m_service;
    WeakDelegate<TranslationModelDelegate> m_delegate;
    bool m_isPreparingTranslation = false;
    bool m_hasDownloadBeenPrompted = false;
    bool m_didTriggerTranslation = false;
    std::optional<Language> m_sourceLanguage;
    std::optional<Language> m_targetLanguage;
    LanguagePairValidationStatus m_status = LanguagePairValidationStatus::NotStarted;
    std::unique_ptr<TranslationConfiguration> m_translationConfiguration;
};
