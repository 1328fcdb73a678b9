// SPDX-License-Identifier: GPL-3.0-or-later
#include "ApertiumTranslationService.h"

#include "ApertiumPairTable.h"
#include "ApertiumPipelinePool.h"
#include "ApertiumSession.h"

#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

ApertiumTranslationService::ApertiumTranslationService()
    : ApertiumTranslationService(Configuration{systemModesDirectory(), {}, {}})
{}

ApertiumTranslationService::ApertiumTranslationService(Configuration configuration)
    : m_configuration(std::move(configuration))
    , m_table(ApertiumPairTable::debian())
    , m_pool(std::make_shared<ApertiumPipelinePool>(m_configuration.timing))
{}

ApertiumTranslationService::~ApertiumTranslationService()
{
    m_pool->stopAll();
}

QString ApertiumTranslationService::systemModesDirectory()
{
    return u"/usr/share/apertium/modes"_s;
}

QString ApertiumTranslationService::modePathOf(const QString &mode) const
{
    return m_configuration.modesDirectory + u'/' + mode + u".mode"_s;
}

QCoro::Task<TranslationService::Status>
ApertiumTranslationService::status(Language source, std::optional<Language> target)
{
    if (!target)
        co_return Status::Unsupported;
    const Status answer = statusOf(source, *target);
    if (answer == Status::Installed)
        m_pool->pipeline(modePathOf(m_table.direction(source, *target)->mode)).start();
    co_return answer;
}

QList<TranslationService::Status>
ApertiumTranslationService::statuses(const Language &source, const QList<Language> &targets)
{
    QList<Status> answers;
    for (const Language &target : targets)
        answers.append(statusOf(source, target));
    return answers;
}

TranslationService::Status ApertiumTranslationService::statusOf(const Language &source,
                                                                const Language &target) const
{
    const auto direction = m_table.direction(source, target);
    if (!direction)
        return Status::Unsupported;
    return QFileInfo::exists(modePathOf(direction->mode)) ? Status::Installed : Status::Supported;
}

QCoro::Task<QList<Language>> ApertiumTranslationService::supportedLanguages()
{
    co_return m_table.languages();
}

std::shared_ptr<TranslationSession>
ApertiumTranslationService::makeSession(std::optional<Language> source,
                                        std::optional<Language> target)
{
    std::optional<ApertiumPairTable::Direction> direction;
    if (source && target)
        direction = m_table.direction(*source, *target);
    return std::make_shared<ApertiumSession>(
        std::move(source), std::move(target), std::move(direction), m_configuration.modesDirectory,
        m_pool, PackageInstaller(PackageInstaller::busAt(m_configuration.packageKitBusAddress)));
}
