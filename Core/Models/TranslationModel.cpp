// SPDX-License-Identifier: GPL-3.0-or-later
#include "TranslationModel.h"

#include "Base/Logging.h"
#include "Base/SourceLog.h"

#include <QPointer>
#include <qcoro/qcorotimer.h>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

const SourceLog sourceLog(u"Core/TranslationModel"_s);
const QString triggerMethod = u"triggerTranslation()"_s;
const QString translateMethod = u"translate(text:using:)"_s;

} // namespace

TranslationModel::TranslationModel(std::shared_ptr<TranslationService> service, QObject *parent)
    : ErrorReportingModel(sourceLog.file(), parent)
    , m_service(std::move(service))
{}

TranslationModel::~TranslationModel() = default;

void TranslationModel::setSourceLanguage(const std::optional<Language> &language)
{
    m_sourceLanguage = language;
    languagesChanged();
}

void TranslationModel::setTargetLanguage(const std::optional<Language> &language)
{
    m_targetLanguage = language;
    languagesChanged();
}

void TranslationModel::languagesChanged()
{
    setStatus(LanguagePairValidationStatus::NotStarted);
    triggerTranslation();
}

void TranslationModel::triggerTranslation()
{
    if (m_isPreparingTranslation) {
        sourceLog.breadcrumb(u"Ignoring translation trigger - still preparing"_s, triggerMethod);
        return;
    }
    if (m_didTriggerTranslation) {
        sourceLog.breadcrumb(u"Ignoring second translation trigger"_s, triggerMethod);
        return;
    }
    sourceLog.breadcrumb(u"Triggering translation"_s, triggerMethod);
    m_didTriggerTranslation = true;

    if (!m_translationConfiguration) {
        if (!m_sourceLanguage || !m_targetLanguage) {
            sourceLog.breadcrumb(u"Cannot create translation configuration - missing languages"_s,
                                 triggerMethod);
            m_didTriggerTranslation = false;
            return;
        }
        sourceLog.breadcrumb(u"Creating new translation configuration"_s, triggerMethod);
        m_translationConfiguration =
            std::make_unique<TranslationConfiguration>(m_sourceLanguage, m_targetLanguage);
        Q_EMIT translationConfigurationChanged();
        return;
    }
    if (m_sourceLanguage)
        m_translationConfiguration->setSource(m_sourceLanguage);
    if (m_targetLanguage)
        m_translationConfiguration->setTarget(m_targetLanguage);
    sourceLog.breadcrumb(u"Invalidating existing translation configuration"_s, triggerMethod);
    m_translationConfiguration->invalidate();
}

QCoro::Task<std::optional<QString>>
TranslationModel::translate(std::optional<QString> text,
                            std::shared_ptr<TranslationSession> session)
{
    m_didTriggerTranslation = false;
    const std::optional<Language> source = session->sourceLanguage();
    const std::optional<Language> target = session->targetLanguage();
    if (!source || !target) {
        sourceLog.breadcrumb(u"Cannot translate - missing languages"_s, translateMethod);
        co_return std::nullopt;
    }
    if (source != m_sourceLanguage || target != m_targetLanguage) {
        // A language the model no longer has cannot reach the configuration, so a re-trigger
        // would only bring back a session like this one, for ever.
        if (!m_sourceLanguage || !m_targetLanguage) {
            sourceLog.breadcrumb(u"Cannot translate - missing languages"_s, translateMethod);
            co_return std::nullopt;
        }
        sourceLog.breadcrumb(
            u"Session and model languages are not the same, re-triggering translation"_s,
            translateMethod);
        triggerTranslation();
        co_return std::nullopt;
    }
    if (*source == *target) {
        sourceLog.breadcrumb(u"Source and target languages are the same - skipping translation"_s,
                             translateMethod);
        co_return text;
    }

    switch (m_status) {
    case LanguagePairValidationStatus::NotStarted:
        co_await checkAvailability(*source, *target);
        co_return std::nullopt;
    case LanguagePairValidationStatus::Invalid:
        co_await prepare(session);
        co_return std::nullopt;
    case LanguagePairValidationStatus::Valid:
        break;
    }
    if (!text || text->isEmpty())
        co_return std::nullopt;

    sourceLog.breadcrumb(u"Starting translation of text"_s, translateMethod);
    const QPointer<TranslationModel> self = this;
    std::variant<QString, Error> result = co_await session->translate(*text);
    if (!self)
        co_return std::nullopt;
    if (const Error *error = std::get_if<Error>(&result)) {
        report(*error, *session);
        co_return std::nullopt;
    }
    sourceLog.breadcrumb(u"Completed translation"_s, translateMethod);
    m_didTriggerTranslation = false;
    co_return std::get<QString>(std::move(result));
}

QCoro::Task<> TranslationModel::checkAvailability(Language source, Language target)
{
    sourceLog.breadcrumb(u"Checking language pair availability"_s, translateMethod);
    const QPointer<TranslationModel> self = this;
    const TranslationService::Status status = co_await m_service->status(source, target);
    if (!self)
        co_return;
    if (status == TranslationService::Status::Installed) {
        sourceLog.breadcrumb(u"Language pair is available"_s, translateMethod);
        setStatus(LanguagePairValidationStatus::Valid);
        becomeReady();
    } else {
        sourceLog.breadcrumb(u"Language pair is not available"_s, translateMethod);
        setStatus(LanguagePairValidationStatus::Invalid);
    }
    triggerTranslation();
}

QCoro::Task<> TranslationModel::prepare(std::shared_ptr<TranslationSession> session)
{
    if (m_isPreparingTranslation) {
        sourceLog.breadcrumb(u"Translation still preparing"_s, translateMethod);
        co_return;
    }
    sourceLog.breadcrumb(u"Preparing translation"_s, translateMethod);
    setPreparing(true);
    if (!m_hasDownloadBeenPrompted) {
        m_hasDownloadBeenPrompted = true;
        Q_EMIT hasDownloadBeenPromptedChanged();
    }
    const QPointer<TranslationModel> self = this;
    const std::optional<Error> error = co_await session->prepareTranslation();
    if (!self)
        co_return;
    if (error) {
        // A refused or failed preparation is final for this model: it stays preparing.
        report(*error, *session);
        co_return;
    }
    setPreparing(false);
    setStatus(LanguagePairValidationStatus::NotStarted);
    waitUntilReady();
}

QCoro::Task<> TranslationModel::waitUntilReady()
{
    // Installing can take a while after the preparation itself reports success: look once a
    // second until the pair is there, or until a language is cleared or the model goes.
    const QPointer<TranslationModel> self = this;
    for (;;) {
        co_await QCoro::sleepFor(1s);
        if (!self || !self->m_sourceLanguage || !self->m_targetLanguage)
            co_return;
        const TranslationService::Status status =
            co_await m_service->status(*m_sourceLanguage, *m_targetLanguage);
        if (!self)
            co_return;
        if (status == TranslationService::Status::Installed) {
            setStatus(LanguagePairValidationStatus::Valid);
            becomeReady();
            co_return;
        }
    }
}

void TranslationModel::becomeReady()
{
    if (m_delegate)
        m_delegate->translationModelDidBecomeReady();
}

void TranslationModel::report(const Error &error, const TranslationSession &session)
{
    if (TranslationSession::isCancellation(error)) {
        Logging::shared().writeLine(u"Translation cancelled, no need to log"_s);
        return;
    }
    Logging::shared().logError(
        error, QVariantMap{{u"sourceLanguage"_s, describe(session.sourceLanguage())},
                           {u"targetLanguage"_s, describe(session.targetLanguage())}});
}

void TranslationModel::setStatus(LanguagePairValidationStatus status)
{
    if (m_status == status)
        return;
    m_status = status;
    Q_EMIT languagePairValidationStatusChanged();
}

void TranslationModel::setPreparing(bool preparing)
{
    if (m_isPreparingTranslation == preparing)
        return;
    m_isPreparingTranslation = preparing;
    Q_EMIT isPreparingTranslationChanged();
}
