// SPDX-License-Identifier: GPL-3.0-or-later
#include "Language.h"

#include <QStringList>

using namespace Qt::Literals::StringLiterals;

Language::Language(QString languageCode, QString script, QString region)
    : m_languageCode(std::move(languageCode))
    , m_script(std::move(script))
    , m_region(std::move(region))
{}

std::optional<Language> Language::fromRawValue(const QString &rawValue)
{
    const QStringList pieces = rawValue.split(u'-');
    if (pieces.size() != 2)
        return std::nullopt;
    return Language(pieces.at(0), QString(), pieces.at(1));
}

QString Language::rawValue() const
{
    return m_languageCode + u'-' + m_region;
}

std::optional<QString> Language::languageName(const Locale &locale) const
{
    if (m_languageCode.isEmpty())
        return std::nullopt;
    return locale.localizedLanguageName(m_languageCode);
}

std::optional<QString> Language::displayName(const Locale &locale) const
{
    const std::optional<QString> name = languageName(locale);
    if (!name || m_region.isEmpty())
        return name;
    const std::optional<QString> regionName = locale.localizedRegionName(m_region);
    if (!regionName)
        return name;
    return *name + u" ("_s + *regionName + u')';
}

QString describe(const std::optional<Language> &language)
{
    return language ? language->rawValue() : u"nil"_s;
}

Locale Language::localeOf(const std::optional<Language> &language)
{
    if (!language)
        return Locale(QString());
    QStringList parts;
    for (const std::optional<QString> &part :
         {language->languageCode(), language->script(), language->region()}) {
        if (part)
            parts << *part;
    }
    return Locale(parts.join(u'_'));
}

Language Language::fromLocale(const Locale &locale)
{
    // POSIX names may carry an encoding and a modifier ("de_DE.UTF-8@euro"); ICU's may carry a
    // script, which is the only subtag of four letters.
    const QStringList parts =
        locale.identifier().section(u'.', 0, 0).section(u'@', 0, 0).split(u'_');
    QString script;
    QString region;
    for (const QString &part : parts.mid(1)) {
        if (part.size() == 4)
            script = part;
        else if (region.isEmpty())
            region = part;
    }
    return Language(parts.first(), script, region);
}
