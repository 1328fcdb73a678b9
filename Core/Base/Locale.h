// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

/// A locale that names languages and regions for the user, backed by ICU's locale data.
///
/// The current locale is the process's, as Qt reads it from LC_ALL, LC_MESSAGES and LANG. The C and
/// POSIX locales stand for no language at all, so they count as en_US: the user's language is then
/// never unknown.
class Locale
{
public:
    /// The locale of the process.
    static Locale current();

    /// A locale from an identifier such as "de_DE" or "pt-BR".
    explicit Locale(const QString &identifier);

    /// The identifier in ICU's form, such as "de_DE".
    QString identifier() const { return m_identifier; }

    /// The name of \a languageCode in this locale's language, or none when ICU has no name for it.
    std::optional<QString> localizedLanguageName(const QString &languageCode) const;

    /// The name of \a regionCode in this locale's language, or none when ICU has no name for it.
    std::optional<QString> localizedRegionName(const QString &regionCode) const;

private:
    QString m_identifier;
};
