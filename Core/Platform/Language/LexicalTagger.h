// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Base/Error.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

/// Splits a text into word-unit tokens and tells the lexical class of each: words, the kinds of
/// punctuation, paragraph breaks and whitespace.
///
/// Built on ICU's word boundaries and Unicode character properties, so it knows every language
/// ICU knows; conjunctions come from a small list per language. Any thread.
class LexicalTagger
{
public:
    enum class Tag {
        Word,
        Conjunction,
        SentenceTerminator,
        ParagraphBreak,
        Dash,
        OtherPunctuation,
        OpenQuote,
        CloseQuote,
        OpenParenthesis,
        CloseParenthesis,
        Whitespace,
    };

    struct Token
    {
        Tag tag;
        /// The token's place in the text, in UTF-16 code units.
        qsizetype start = 0;
        qsizetype length = 0;

        qsizetype end() const { return start + length; }
    };

    LexicalTagger() = delete;

    /// Whether tagging works on this system.
    static bool isAvailable() { return true; }

    /// The tokens of \a text in order, for the language whose code starts \a language ("en-US").
    static QList<Token> tokens(const QString &text, const QString &language);

    /// Makes sure the tagging data for \a language is at hand, then calls \a completion, on any
    /// thread, with an error when it could not be had. ICU carries its data, so this completes at
    /// once.
    static void requestAssets(const QString &language,
                              const std::function<void(const std::optional<Error> &)> &completion);
};
