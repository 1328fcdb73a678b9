// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Base/Language.h"

#include <QObject>
#include <optional>

/// The language pair a hosting view's translation hook watches; invalidating it asks the hook for
/// a fresh session. Main thread.
class TranslationConfiguration : public QObject
{
    Q_OBJECT

public:
    TranslationConfiguration(std::optional<Language> source, std::optional<Language> target,
                             QObject *parent = nullptr);

    std::optional<Language> source() const { return m_source; }
    void setSource(const std::optional<Language> &source) { m_source = source; }
    std::optional<Language> target() const { return m_target; }
    void setTarget(const std::optional<Language> &target) { m_target = target; }

    /// Asks the hook to run its action again with a new session for the current pair.
    void invalidate() { Q_EMIT invalidated(); }

Q_SIGNALS:
    void invalidated();

private:
    std::optional<Language> m_source;
    std::optional<Language> m_target;
};
