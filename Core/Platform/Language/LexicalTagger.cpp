// SPDX-License-Identifier: GPL-3.0-or-later
#include "LexicalTagger.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <memory>
#include <unicode/brkiter.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// Coordinating and common subordinating conjunctions: the places where a long line can be cut
// when it has no sentence end.
const QHash<QString, QSet<QString>> &conjunctions()
{
    static const QHash<QString, QSet<QString>> lists{
        {u"en"_s,
         {u"and"_s, u"or"_s, u"but"_s, u"nor"_s, u"so"_s, u"yet"_s, u"because"_s, u"although"_s,
          u"though"_s, u"while"_s, u"whereas"_s, u"if"_s, u"unless"_s, u"since"_s, u"until"_s,
          u"when"_s, u"whether"_s}},
        {u"de"_s,
         {u"und"_s, u"oder"_s, u"aber"_s, u"denn"_s, u"sondern"_s, u"weil"_s, u"obwohl"_s,
          u"dass"_s, u"wenn"_s, u"während"_s, u"ob"_s, u"als"_s}},
        {u"fr"_s,
         {u"et"_s, u"ou"_s, u"mais"_s, u"donc"_s, u"or"_s, u"ni"_s, u"car"_s, u"parce"_s,
          u"quand"_s, u"lorsque"_s, u"si"_s, u"que"_s, u"puisque"_s}},
        {u"es"_s,
         {u"y"_s, u"e"_s, u"o"_s, u"u"_s, u"pero"_s, u"sino"_s, u"ni"_s, u"porque"_s, u"aunque"_s,
          u"cuando"_s, u"si"_s, u"que"_s, u"mientras"_s}},
        {u"it"_s,
         {u"e"_s, u"ed"_s, u"o"_s, u"ma"_s, u"però"_s, u"perché"_s, u"quando"_s, u"se"_s, u"che"_s,
          u"mentre"_s, u"sebbene"_s}},
        {u"pt"_s,
         {u"e"_s, u"ou"_s, u"mas"_s, u"porém"_s, u"porque"_s, u"quando"_s, u"se"_s, u"que"_s,
          u"embora"_s, u"enquanto"_s}},
        {u"nl"_s,
         {u"en"_s, u"of"_s, u"maar"_s, u"want"_s, u"dus"_s, u"omdat"_s, u"hoewel"_s, u"als"_s,
          u"wanneer"_s, u"dat"_s, u"terwijl"_s}},
    };
    return lists;
}

bool isParagraphSeparator(char32_t c)
{
    return c == u'\n' || c == u'\r' || c == 0x0B || c == 0x0C || c == 0x85 || c == 0x2028 ||
           c == 0x2029;
}

// Straight quotes serve both ends: one opens where a word may begin.
bool opensQuote(const QString &text, qsizetype start)
{
    if (start == 0)
        return true;
    const QChar before = text.at(start - 1);
    return before.isSpace() || before.category() == QChar::Punctuation_Open ||
           before.category() == QChar::Punctuation_Dash;
}

LexicalTagger::Tag punctuationTag(char32_t c, const QString &text, qsizetype start)
{
    using Tag = LexicalTagger::Tag;
    if (u_hasBinaryProperty(UChar32(c), UCHAR_S_TERM))
        return Tag::SentenceTerminator;
    if (c == u'"' || c == u'\'')
        return opensQuote(text, start) ? Tag::OpenQuote : Tag::CloseQuote;
    switch (u_charType(UChar32(c))) {
    case U_DASH_PUNCTUATION:
        return Tag::Dash;
    case U_INITIAL_PUNCTUATION:
        return Tag::OpenQuote;
    case U_FINAL_PUNCTUATION:
        return Tag::CloseQuote;
    case U_START_PUNCTUATION:
        // „ and ‚ open quotations, though Unicode files them with the brackets.
        return c == 0x201E || c == 0x201A ? Tag::OpenQuote : Tag::OpenParenthesis;
    case U_END_PUNCTUATION:
        return Tag::CloseParenthesis;
    default:
        return Tag::OtherPunctuation;
    }
}

LexicalTagger::Tag tagOf(const QString &token, const QString &text, qsizetype start,
                         const QSet<QString> &conjunctionList)
{
    using Tag = LexicalTagger::Tag;
    const char32_t first = token.toUcs4().value(0);
    if (QChar::isSpace(first)) {
        const QList<uint> codePoints = token.toUcs4();
        const bool breaksParagraph =
            std::any_of(codePoints.cbegin(), codePoints.cend(),
                        [](uint c) { return isParagraphSeparator(char32_t(c)); });
        return breaksParagraph ? Tag::ParagraphBreak : Tag::Whitespace;
    }
    if (QChar::isPunct(first))
        return punctuationTag(first, text, start);
    return conjunctionList.contains(token.toLower()) ? Tag::Conjunction : Tag::Word;
}

} // namespace

QList<LexicalTagger::Token> LexicalTagger::tokens(const QString &text, const QString &language)
{
    const QString code = language.section(u'-', 0, 0).section(u'_', 0, 0).toLower();
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<icu::BreakIterator> words(
        icu::BreakIterator::createWordInstance(icu::Locale(code.toLatin1().constData()), status));
    if (U_FAILURE(status))
        return {};
    const icu::UnicodeString unicodeText(reinterpret_cast<const UChar *>(text.utf16()),
                                         int32_t(text.size()));
    words->setText(unicodeText);

    const QSet<QString> conjunctionList = conjunctions().value(code);
    QList<Token> tokens;
    int32_t start = words->first();
    for (int32_t end = words->next(); end != icu::BreakIterator::DONE;
         start = end, end = words->next()) {
        const QString token = text.mid(start, end - start);
        tokens.append({tagOf(token, text, start, conjunctionList), start, end - start});
    }
    return tokens;
}

void LexicalTagger::requestAssets(
    const QString &, const std::function<void(const std::optional<Error> &)> &completion)
{
    completion(std::nullopt);
}
