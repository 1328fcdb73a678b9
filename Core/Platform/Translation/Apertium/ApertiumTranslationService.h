// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ApertiumPipeline.h"
#include "Platform/Translation/TranslationService.h"

#include <QString>
#include <memory>

class ApertiumPairTable;
class ApertiumPipelinePool;

/// On-device translation with Apertium: the pairs of Debian's Apertium packages, translated by
/// pipelines kept running, and installed through PackageKit when a session is prepared.
///
/// A direction is Installed when its mode file is in the modes folder, Supported when a Debian
/// package provides it, and Unsupported otherwise. Asking the status of an installed direction,
/// or making a session for one, starts its pipeline in the background, so that the first
/// translation does not wait for it. The service's pipelines are shared by all its sessions and
/// stop when the service goes away. Main thread.
class ApertiumTranslationService : public TranslationService
{
public:
    /// Where the service looks and listens; the defaults are the system's.
    struct Configuration
    {
        /// The folder of installed mode files.
        QString modesDirectory;
        /// The D-Bus address where PackageKit is found; empty for the system bus.
        QString packageKitBusAddress;
        ApertiumPipeline::Timing timing;
    };

    /// The system's modes folder and PackageKit.
    ApertiumTranslationService();
    explicit ApertiumTranslationService(Configuration configuration);
    /// Stops the pipelines; sessions still around start theirs again when used.
    ~ApertiumTranslationService() override;

    QCoro::Task<Status> status(Language source, std::optional<Language> target) override;
    QList<Status> statuses(const Language &source, const QList<Language> &targets) override;
    QCoro::Task<QList<Language>> supportedLanguages() override;
    std::shared_ptr<TranslationSession> makeSession(std::optional<Language> source,
                                                    std::optional<Language> target) override;

    /// The pipelines of this service, for measuring them.
    ApertiumPipelinePool &pipelines() { return *m_pool; }

    /// The folder where Debian installs mode files.
    static QString systemModesDirectory();

private:
    QString modePathOf(const QString &mode) const;
    /// The status of a direction, by the table and the modes folder alone.
    Status statusOf(const Language &source, const Language &target) const;

    const Configuration m_configuration;
    const ApertiumPairTable &m_table;
    const std::shared_ptr<ApertiumPipelinePool> m_pool;
};
