// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TranslationSession.h"

#include <QList>
#include <memory>

/// On-device translation: which language pairs can be translated here, and sessions for them.
/// Main thread.
class TranslationService
{
public:
    /// Installed: translates now. Supported: can be made available (prepared). Unsupported: not
    /// at all.
    enum class Status { Installed, Supported, Unsupported };

    virtual ~TranslationService() = default;

    /// What is known of translating from \a source to \a target.
    virtual QCoro::Task<Status> status(Language source, std::optional<Language> target) = 0;
    /// What is known now of translating from \a source into each of \a targets, without readying
    /// any pair: quick enough for a menu that marks what each choice would give.
    virtual QList<Status> statuses(const Language &source, const QList<Language> &targets) = 0;

    /// Every language that some supported pair translates from or to, with a region, so that the
    /// language of the user's locale can be among them.
    virtual QCoro::Task<QList<Language>> supportedLanguages() = 0;

    /// A new session for the pair.
    virtual std::shared_ptr<TranslationSession> makeSession(std::optional<Language> source,
                                                            std::optional<Language> target) = 0;
};
