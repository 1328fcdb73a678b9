// SPDX-License-Identifier: GPL-3.0-or-later
#include "ApertiumSession.h"

#include "ApertiumPipelinePool.h"
#include "ApertiumRequest.h"
#include "ApertiumStreamFormat.h"

#include <QCoreApplication>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace {

QString nameOf(const std::optional<Language> &language)
{
    if (!language)
        return QCoreApplication::translate("ApertiumSession", "no language");
    return language->languageName().value_or(language->languageCode().value_or(QString()));
}

} // namespace

ApertiumSession::ApertiumSession(std::optional<Language> source, std::optional<Language> target,
                                 std::optional<ApertiumPairTable::Direction> direction,
                                 QString modesDirectory, std::shared_ptr<ApertiumPipelinePool> pool,
                                 PackageInstaller installer)
    : m_source(std::move(source))
    , m_target(std::move(target))
    , m_direction(std::move(direction))
    , m_modesDirectory(std::move(modesDirectory))
    , m_pool(std::move(pool))
    , m_installer(std::move(installer))
{
    if (isInstalled())
        warmUp();
}

QString ApertiumSession::errorDomain()
{
    return u"Voxlume.ApertiumSession"_s;
}

QCoro::Task<std::optional<Error>> ApertiumSession::prepareTranslation()
{
    const auto keepAlive = weak_from_this().lock();
    if (m_cancelled)
        co_return cancellationError();
    if (!m_direction)
        co_return unsupportedError();
    if (isInstalled()) {
        warmUp();
        co_return std::nullopt;
    }
    const std::optional<Error> failure = co_await m_installer.install(m_direction->package);
    if (m_cancelled)
        co_return cancellationError();
    if (failure || !isInstalled())
        co_return installError(failure);
    warmUp();
    co_return std::nullopt;
}

QCoro::Task<std::variant<QString, Error>> ApertiumSession::translate(QString text)
{
    const auto keepAlive = weak_from_this().lock();
    if (m_cancelled)
        co_return cancellationError();
    if (!m_direction)
        co_return unsupportedError();
    if (!isInstalled())
        co_return installError(std::nullopt);
    if (ApertiumStreamFormat::escape(text).trimmed().isEmpty())
        co_return QString();
    const auto request = std::make_shared<ApertiumRequest>(std::move(text));
    m_pending.removeIf(
        [](const std::weak_ptr<ApertiumRequest> &pending) { return pending.expired(); });
    m_pending << request;
    m_pool->pipeline(modePath()).submit(request);
    co_return co_await request->result();
}

void ApertiumSession::cancel()
{
    m_cancelled = true;
    m_installer.cancel();
    for (const std::weak_ptr<ApertiumRequest> &pending : std::as_const(m_pending)) {
        if (const auto request = pending.lock())
            request->finish(cancellationError());
    }
    m_pending.clear();
}

bool ApertiumSession::isInstalled() const
{
    return m_direction && QFileInfo::exists(modePath());
}

QString ApertiumSession::modePath() const
{
    return m_modesDirectory + u'/' + m_direction->mode + u".mode"_s;
}

void ApertiumSession::warmUp()
{
    m_pool->pipeline(modePath()).start();
}

Error ApertiumSession::unsupportedError() const
{
    return Error::fromMessage(
        QCoreApplication::translate("ApertiumSession",
                                    "Translating from %1 to %2 is not available on this computer.")
            .arg(nameOf(m_source), nameOf(m_target)),
        errorDomain(), Unsupported);
}

Error ApertiumSession::installError(const std::optional<Error> &reason) const
{
    QVariantMap userInfo = {
        {Error::localizedDescriptionKey,
         QCoreApplication::translate("ApertiumSession",
                                     "Install the package %1 to translate from %2 to %3.")
             .arg(m_direction->package, nameOf(m_source), nameOf(m_target))},
        {u"package"_s, m_direction->package}};
    if (reason)
        userInfo.insert(u"reason"_s, reason->localizedDescription());
    return Error(errorDomain(), NotInstalled, userInfo);
}
