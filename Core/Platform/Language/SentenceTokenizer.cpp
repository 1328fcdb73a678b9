// SPDX-License-Identifier: GPL-3.0-or-later
#include "SentenceTokenizer.h"

#include <memory>
#include <unicode/brkiter.h>

SentenceTokenizer::SentenceTokenizer(Language language)
    : m_language(std::move(language))
{}

QStringList SentenceTokenizer::sentences(const QString &text) const
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale locale(m_language.rawValue().replace(u'-', u'_').toLatin1().constData());
    const std::unique_ptr<icu::BreakIterator> boundaries(
        icu::BreakIterator::createSentenceInstance(locale, status));
    if (U_FAILURE(status)) {
        const QString whole = text.trimmed();
        return whole.isEmpty() ? QStringList() : QStringList{whole};
    }
    const icu::UnicodeString unicodeText(reinterpret_cast<const UChar *>(text.utf16()),
                                         int32_t(text.size()));
    boundaries->setText(unicodeText);
    QStringList result;
    int32_t start = boundaries->first();
    for (int32_t end = boundaries->next(); end != icu::BreakIterator::DONE;
         start = end, end = boundaries->next()) {
        const QString sentence = text.mid(start, end - start).trimmed();
        if (!sentence.isEmpty())
            result << sentence;
    }
    return result;
}
