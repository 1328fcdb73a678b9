// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QString>
#include <vector>

/// A text seen as user-perceived characters (extended grapheme clusters), each known by a number
/// that is the same for canonically equivalent characters.
///
/// Transcript assembly counts, compares and cuts in these characters: an emoji with its skin tone
/// or a letter with a combining accent is one character, and "é" typed as one code point equals
/// "é" typed as two.
class CharacterSequence
{
public:
    /// Numbers characters; sequences compared with each other must share one.
    using Numbering = QHash<QString, int>;

    CharacterSequence(const QString &text, Numbering &numbering);

    const QString &text() const { return m_text; }
    /// The number of characters.
    qsizetype size() const { return qsizetype(m_ids.size()); }
    const std::vector<int> &ids() const { return m_ids; }

    /// Where character \a index starts in the text, in UTF-16 code units; size() gives the end.
    qsizetype offset(qsizetype index) const { return m_offsets[size_t(index)]; }
    /// Characters \a first to \a first + \a count - 1.
    QString mid(qsizetype first, qsizetype count) const;
    /// Whether character \a index is punctuation (Unicode general category P).
    bool isPunctuation(qsizetype index) const;

    /// The number of characters in \a text.
    static qsizetype count(const QString &text);

private:
    QString m_text;
    std::vector<int> m_ids;
    std::vector<qsizetype> m_offsets;
};
