// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Locale.h"

#include <QString>
#include <optional>

/// A spoken or written language: an optional language code, script and region.
///
/// Settings, transcripts and logs keep a language as its raw value, the language code, "-" and the
/// region (the script is never written). Models hold languages as std::optional<Language>, whose
/// comparison is the one the system needs: two absent languages are equal, an absent and a present
/// one are not, and two present ones compare as languages.
class Language
{
public:
    /// A language with neither code, script nor region.
    Language() = default;
    /// Empty parts are absent parts.
    explicit Language(QString languageCode, QString script = {}, QString region = {});

    /// Decodes a raw value: exactly one "-" between an optional code and an optional region.
    /// Anything else (no hyphen, a script subtag, more pieces) is no language.
    static std::optional<Language> fromRawValue(const QString &rawValue);

    /// The language of \a locale, with its region when the locale has one.
    static Language fromLocale(const Locale &locale);

    /// The locale of \a language's code, script and region ("zh_Hant_TW"); with no language, the
    /// locale with the empty identifier.
    static Locale localeOf(const std::optional<Language> &language);

    /// The language code, "-" and the region, each part empty when absent: "en-US", "fr-", "-".
    QString rawValue() const;

    std::optional<QString> languageCode() const { return part(m_languageCode); }
    std::optional<QString> script() const { return part(m_script); }
    std::optional<QString> region() const { return part(m_region); }

    /// The name of the language code in \a locale, without the region; none without a code or a
    /// known name.
    std::optional<QString> languageName(const Locale &locale = Locale::current()) const;

    /// The language name followed by the region name in brackets, when both are known, or the
    /// language name alone; tells apart languages that share a name.
    std::optional<QString> displayName(const Locale &locale = Locale::current()) const;

    friend bool operator==(const Language &, const Language &) = default;

private:
    static std::optional<QString> part(const QString &value)
    {
        return value.isEmpty() ? std::nullopt : std::optional(value);
    }

    QString m_languageCode;
    QString m_script;
    QString m_region;
};

/// Prints an optional language for logs: its raw value, or "nil" when absent.
QString describe(const std::optional<Language> &language);
