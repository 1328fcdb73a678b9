// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Base/Language.h"

#include <QRegularExpression>
#include <QString>
#include <optional>

/// Masks a language's profane words as their first letter followed by asterisks ("f***"), for the
/// subtitles as they are shown; what is stored keeps every word as it was said.
///
/// The words come from a list per language among the program's resources
/// (":/VoxlumeCore/profanity/<language code>.txt"); a language without a list is shown as it is.
/// Any thread, once made.
class ProfanityFilter
{
public:
    /// The filter of \a language's list; none for no language.
    explicit ProfanityFilter(const std::optional<Language> &language);
    /// The filter of the list in the file \a path, for tests of other lists.
    static ProfanityFilter fromFile(const QString &path);

    /// \a text with each listed word masked; letters of either case match.
    QString mask(const QString &text) const;
    /// Whether the language has a list at all.
    bool isEmpty() const { return !m_words.isValid() || m_words.pattern().isEmpty(); }

private:
    ProfanityFilter() = default;
    void load(const QString &path);

    QRegularExpression m_words;
};
