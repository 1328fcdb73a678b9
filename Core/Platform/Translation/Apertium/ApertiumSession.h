// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ApertiumPairTable.h"
#include "Platform/PackageKit/PackageInstaller.h"
#include "Platform/Translation/TranslationSession.h"

#include <QList>
#include <memory>
#include <optional>

class ApertiumPipelinePool;
class ApertiumRequest;

/// A translator for one direction of an Apertium pair, translating through the direction's shared
/// pipeline, and installing the pair's package when asked to prepare.
///
/// Empty text (or text of blanks only) translates to empty text without bothering the pipeline.
/// An operation keeps its session alive while it runs. Main thread.
class ApertiumSession : public TranslationSession,
                        public std::enable_shared_from_this<ApertiumSession>
{
public:
    /// The codes of the session's own errors, in errorDomain().
    enum ErrorCode { Unsupported = 1, NotInstalled };

    /// A session from \a source to \a target, which Apertium translates in \a direction (none
    /// when no package does); its mode file is looked for in \a modesDirectory, its pipeline is
    /// taken from \a pool, and its package installed by \a installer.
    ApertiumSession(std::optional<Language> source, std::optional<Language> target,
                    std::optional<ApertiumPairTable::Direction> direction, QString modesDirectory,
                    std::shared_ptr<ApertiumPipelinePool> pool, PackageInstaller installer);

    std::optional<Language> sourceLanguage() const override { return m_source; }
    std::optional<Language> targetLanguage() const override { return m_target; }

    /// Installs the pair's package unless its mode file is there already, and starts the pipeline.
    /// Errors name the package to install.
    QCoro::Task<std::optional<Error>> prepareTranslation() override;

    /// The translation of \a text; for a pair not installed, an error naming its package.
    QCoro::Task<std::variant<QString, Error>> translate(QString text) override;

    void cancel() override;

    /// Whether the direction's mode file is installed.
    bool isInstalled() const;

    static QString errorDomain();

private:
    QString modePath() const;
    void warmUp();
    Error unsupportedError() const;
    Error installError(const std::optional<Error> &reason) const;

    const std::optional<Language> m_source;
    const std::optional<Language> m_target;
    const std::optional<ApertiumPairTable::Direction> m_direction;
    const QString m_modesDirectory;
    const std::shared_ptr<ApertiumPipelinePool> m_pool;
    PackageInstaller m_installer;
    QList<std::weak_ptr<ApertiumRequest>> m_pending;
    bool m_cancelled = false;
};
