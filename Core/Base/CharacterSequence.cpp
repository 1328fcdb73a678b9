// SPDX-License-Identifier: GPL-3.0-or-later
#include "CharacterSequence.h"

#include <QTextBoundaryFinder>

namespace {

// Below U+0300 a lone code unit has no canonical equivalent but itself, so it can be its own
// number; everything else is numbered by its normalised form, above the Unicode range.
constexpr char16_t firstComposingCodePoint = 0x0300;
constexpr int firstSharedNumber = 0x110000;

template <typename Visit>
void forEachCharacter(const QString &text, Visit visit)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end != -1; end = finder.toNextBoundary()) {
        visit(start, end);
        start = end;
    }
}

} // namespace

CharacterSequence::CharacterSequence(const QString &text, Numbering &numbering)
    : m_text(text)
{
    m_ids.reserve(size_t(text.size()));
    m_offsets.reserve(size_t(text.size()) + 1);
    forEachCharacter(text, [&](qsizetype start, qsizetype end) {
        m_offsets.push_back(start);
        const char16_t first = text.at(start).unicode();
        if (end - start == 1 && first < firstComposingCodePoint) {
            m_ids.push_back(first);
            return;
        }
        const QString normalised =
            text.mid(start, end - start).normalized(QString::NormalizationForm_C);
        const auto found = numbering.constFind(normalised);
        if (found != numbering.constEnd()) {
            m_ids.push_back(*found);
            return;
        }
        const int id = firstSharedNumber + int(numbering.size());
        numbering.insert(normalised, id);
        m_ids.push_back(id);
    });
    m_offsets.push_back(text.size());
}

QString CharacterSequence::mid(qsizetype first, qsizetype count) const
{
    return m_text.mid(offset(first), offset(first + count) - offset(first));
}

bool CharacterSequence::isPunctuation(qsizetype index) const
{
    const QString character = mid(index, 1);
    return !character.isEmpty() && QChar::isPunct(character.toUcs4().first());
}

qsizetype CharacterSequence::count(const QString &text)
{
    // Below U+0300 nothing joins the character before it but the LF of a CRLF, and a long
    // transcript in a Latin script is counted at every save: a plain scan spares it the finder.
    qsizetype joined = 0;
    const auto simple = [&] {
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t unit = text.at(i).unicode();
            if (unit >= firstComposingCodePoint)
                return false;
            joined += unit == u'\n' && i > 0 && text.at(i - 1) == u'\r' ? 1 : 0;
        }
        return true;
    };
    if (simple())
        return text.size() - joined;
    qsizetype characters = 0;
    forEachCharacter(text, [&](qsizetype, qsizetype) { ++characters; });
    return characters;
}
