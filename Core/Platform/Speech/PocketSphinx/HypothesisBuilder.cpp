// SPDX-License-Identifier: GPL-3.0-or-later
#include "HypothesisBuilder.h"

#include <cmath>

#include <algorithm>
#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace {

// "<s>", "</s>", "<sil>", "[NOISE]", "++GARBAGE++": the decoder's names for what is not a word.
bool isWord(const QString &token)
{
    return !token.isEmpty() && !token.startsWith(u'<') && !token.startsWith(u'[') &&
           !token.startsWith(u"++"_s);
}

// "read(2)" is the dictionary's second pronunciation of "read".
QString withoutVariant(const QString &token)
{
    if (!token.endsWith(u')'))
        return token;
    const qsizetype open = token.lastIndexOf(u'(');
    if (open <= 0)
        return token;
    const QStringView number = QStringView(token).sliced(open + 1, token.size() - open - 2);
    const bool isVariant =
        !number.isEmpty() &&
        std::all_of(number.begin(), number.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    return isVariant ? token.left(open) : token;
}

QString capitalised(QString word)
{
    const auto letter =
        std::find_if(word.begin(), word.end(), [](QChar c) { return c.isLetter(); });
    if (letter != word.end() && !letter->isSurrogate())
        *letter = letter->toUpper();
    return word;
}

} // namespace

HypothesisBuilder::HypothesisBuilder(bool punctuates)
    : m_punctuates(punctuates)
{}

HypothesisBuilder HypothesisBuilder::from(double seconds) const
{
    HypothesisBuilder later(m_punctuates);
    for (const QList<Word> &utterance : m_finished) {
        QList<Word> kept;
        for (const Word &word : utterance) {
            if (word.timestamp >= seconds)
                kept.append({word.text, word.timestamp - seconds});
        }
        if (!kept.isEmpty())
            later.m_finished.append(kept);
    }
    return later;
}

void HypothesisBuilder::setOpenUtterance(const QList<Word> &words)
{
    m_open = settled(spokenWords(words));
}

void HypothesisBuilder::finishUtterance(const QList<Word> &words)
{
    const QList<Word> finished = settled(spokenWords(words));
    if (!finished.isEmpty())
        m_finished.append(finished);
    m_open.clear();
}

Transcription HypothesisBuilder::transcription() const
{
    Transcription transcription;
    for (const QList<Word> &utterance : m_finished)
        append(utterance, true, transcription);
    append(m_open, false, transcription);
    return transcription;
}

QList<HypothesisBuilder::Word> HypothesisBuilder::spokenWords(const QList<Word> &decoded)
{
    QList<Word> words;
    for (const Word &word : decoded) {
        if (isWord(word.text))
            words.append({withoutVariant(word.text), word.timestamp});
    }
    return words;
}

// Words that were already there keep their timestamps, also when the decoder now spells the same
// stretch of audio differently: the display's pause point is usually the newest word, the one most
// often revised, and losing its timestamp would show the whole utterance again. A new word's
// timestamp is held between its neighbours', since a kept word may be a frame or two off from
// where the decoder now puts it.
QList<HypothesisBuilder::Word> HypothesisBuilder::settled(QList<Word> words) const
{
    constexpr double samePlace = 0.05;
    QList<bool> kept(words.size(), false);
    for (qsizetype i = 0; i < words.size() && i < m_open.size(); ++i) {
        if (words[i].text != m_open[i].text &&
            std::abs(words[i].timestamp - m_open[i].timestamp) >= samePlace)
            continue;
        words[i].timestamp = m_open[i].timestamp;
        kept[i] = true;
    }
    double floor = lastFinishedTimestamp();
    for (qsizetype i = 0; i < words.size(); ++i) {
        if (!kept[i]) {
            const auto nextKept = std::find(kept.cbegin() + i, kept.cend(), true);
            const double ceiling = nextKept == kept.cend()
                                       ? std::numeric_limits<double>::infinity()
                                       : words[nextKept - kept.cbegin()].timestamp;
            words[i].timestamp = std::clamp(words[i].timestamp, floor, std::max(floor, ceiling));
        }
        floor = words[i].timestamp;
    }
    return words;
}

double HypothesisBuilder::lastFinishedTimestamp() const
{
    return m_finished.isEmpty() ? 0.0 : m_finished.last().last().timestamp;
}

void HypothesisBuilder::append(const QList<Word> &utterance, bool finished,
                               Transcription &transcription) const
{
    QString &text = transcription.formattedString;
    for (qsizetype i = 0; i < utterance.size(); ++i) {
        if (!text.isEmpty())
            text += u' ';
        const QString word =
            m_punctuates && i == 0 ? capitalised(utterance[i].text) : utterance[i].text;
        transcription.segments.append({text.size(), word.size(), utterance[i].timestamp});
        text += word;
    }
    // An utterance under way has not ended: a full stop after it would stand where the display
    // looks for the last sentence end, and hold the display line still for the whole utterance.
    // "a.m." ends a sentence by itself.
    if (m_punctuates && finished && !utterance.isEmpty() && !text.endsWith(u'.'))
        text += u'.';
}
