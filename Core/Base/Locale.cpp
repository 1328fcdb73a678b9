// SPDX-License-Identifier: GPL-3.0-or-later
#include "Locale.h"

#include <QLocale>
#include <unicode/uloc.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// ICU echoes back whatever it cannot name, and reads anything after a separator as another
// subtag: only plain subtags may be asked about, or "xx_YY" would come back named "xx".
bool isPlainSubtag(const QString &code)
{
    if (code.isEmpty() || code.size() > 8)
        return false;
    return std::all_of(code.cbegin(), code.cend(),
                       [](QChar c) { return c.isDigit() || (c.unicode() < 128 && c.isLetter()); });
}

using IcuDisplayFunction = int32_t (*)(const char *, const char *, UChar *, int32_t, UErrorCode *);

std::optional<QString> icuDisplayName(IcuDisplayFunction function, const QString &localeId,
                                      const QString &displayLocale, const QString &code)
{
    UChar buffer[256];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length =
        function(localeId.toLatin1().constData(), displayLocale.toLatin1().constData(), buffer,
                 std::size(buffer), &status);
    if (U_FAILURE(status) || length <= 0)
        return std::nullopt;
    const QString name = QString::fromUtf16(reinterpret_cast<const char16_t *>(buffer), length);
    if (name.compare(code, Qt::CaseInsensitive) == 0)
        return std::nullopt;
    return name;
}

} // namespace

Locale Locale::current()
{
    const QLocale system = QLocale::system();
    if (system.language() == QLocale::C)
        return Locale(u"en_US"_s);
    return Locale(system.name());
}

Locale::Locale(const QString &identifier)
    : m_identifier(QString(identifier).replace(u'-', u'_'))
{}

std::optional<QString> Locale::localizedLanguageName(const QString &languageCode) const
{
    if (!isPlainSubtag(languageCode))
        return std::nullopt;
    return icuDisplayName(uloc_getDisplayLanguage, languageCode, m_identifier, languageCode);
}

std::optional<QString> Locale::localizedRegionName(const QString &regionCode) const
{
    if (!isPlainSubtag(regionCode))
        return std::nullopt;
    return icuDisplayName(uloc_getDisplayCountry, u"und_"_s + regionCode, m_identifier, regionCode);
}
