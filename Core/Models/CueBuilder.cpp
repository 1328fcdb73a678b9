// SPDX-License-Identifier: GPL-3.0-or-later
#include "CueBuilder.h"

#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

// How long a sentence's last word is taken to last, with the pause after it, when no word after
// it says where it ended.
constexpr double sentenceTail = 1.5;

// Whether a sentence ends in \a text between \a from and \a to, by its final mark.
bool endsSentence(const QString &text, qsizetype from, qsizetype to)
{
    static const QString marks = u".!?\u2026\u3002\uFF01\uFF1F"_s;
    return std::any_of(text.begin() + from, text.begin() + to,
                       [](QChar character) { return marks.contains(character); });
}

} // namespace

QList<CaptionCue> CueBuilder::take(const Transcription &hypothesis, double taskStart,
                                   double processed)
{
    return cut(hypothesis, taskStart, processed, false);
}

QList<CaptionCue> CueBuilder::finish(const Transcription &hypothesis, double taskStart,
                                     double processed)
{
    return cut(hypothesis, taskStart, processed, true);
}

QList<CaptionCue> CueBuilder::cut(const Transcription &hypothesis, double taskStart,
                                  double processed, bool all)
{
    // A task that takes over starts behind the audio that its predecessor had processed.
    m_audioEnd = std::max(m_audioEnd, taskStart + processed);
    const QString &text = hypothesis.formattedString;
    const QList<Word> words = newWords(hypothesis, taskStart);
    QList<CaptionCue> cues;
    qsizetype first = 0;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const bool hasNext = i + 1 < words.size();
        const qsizetype next = hasNext ? words[i + 1].location : text.size();
        if (!endsSentence(text, words[i].location + words[i].length, next) && (!all || hasNext))
            continue;
        const double end =
            std::min(hasNext ? words[i + 1].time : m_audioEnd, words[i].time + sentenceTail);
        cueSentence(text, words, first, i, end, cues);
        m_taskStart = taskStart;
        m_cuedLocation = next;
        m_cuedUntil = std::max(end, words[i].time);
        first = i + 1;
    }
    return cues;
}

QList<CueBuilder::Word> CueBuilder::newWords(const Transcription &hypothesis,
                                             double taskStart) const
{
    const bool sameTask = taskStart == m_taskStart;
    const QString &text = hypothesis.formattedString;
    QList<Word> words;
    for (const TranscriptionSegment &segment : hypothesis.segments) {
        const Word word{segment.location, segment.length, taskStart + segment.timestamp};
        if (sameTask ? word.location >= m_cuedLocation : word.time >= m_cuedUntil)
            words << word;
    }
    if (!hypothesis.segments.isEmpty() || text.isEmpty())
        return words;

    // No word times: the words between white space, spread over the audio not cued yet.
    for (qsizetype i = sameTask ? m_cuedLocation : 0; i < text.size();) {
        while (i < text.size() && text[i].isSpace())
            ++i;
        const qsizetype start = i;
        while (i < text.size() && !text[i].isSpace())
            ++i;
        // A word's marks follow it, as a recogniser's word does not hold them.
        qsizetype end = i;
        while (end > start + 1 && text[end - 1].isPunct())
            --end;
        if (i > start)
            words << Word{start, end - start, 0};
    }
    const double from = std::max(m_cuedUntil, taskStart);
    const double step =
        std::max(0.0, m_audioEnd - from) / double(std::max<qsizetype>(1, words.size()));
    for (qsizetype i = 0; i < words.size(); ++i)
        words[i].time = from + step * double(i);
    return words;
}

void CueBuilder::cueSentence(const QString &text, const QList<Word> &words, qsizetype first,
                             qsizetype last, double sentenceEnd, QList<CaptionCue> &cues)
{
    // The text of the words from \a from to \a to, with the marks that follow the last one.
    const auto textOf = [&](qsizetype from, qsizetype to) {
        const qsizetype end = to + 1 < words.size() ? words[to + 1].location : text.size();
        return text.mid(words[from].location, end - words[from].location).trimmed();
    };
    qsizetype start = first;
    for (qsizetype i = first; i <= last; ++i) {
        if (i < last) {
            const double longerEnd = i + 2 <= last ? words[i + 2].time : sentenceEnd;
            const bool fits =
                CaptionCue::wrap(textOf(start, i + 1)).size() <= CaptionCue::maxLines &&
                longerEnd - words[start].time <= maxDuration;
            if (fits)
                continue;
        }
        addCue(textOf(start, i), words[start].time, i < last ? words[i + 1].time : sentenceEnd,
               cues);
        start = i + 1;
    }
}

void CueBuilder::addCue(QString text, double start, double end, QList<CaptionCue> &cues)
{
    start = std::clamp(start, m_lastEnd, m_audioEnd);
    end = std::clamp(end, start + minDuration, start + maxDuration);
    end = std::min(end, m_audioEnd);
    // Squeezed out by the cues before it at the end of the audio: it joins the one before.
    if (end <= start && !cues.isEmpty()) {
        cues.last().text += u' ' + text;
        return;
    }
    cues << CaptionCue{start, end, std::move(text), std::nullopt};
    m_lastEnd = end;
}
