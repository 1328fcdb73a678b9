// SPDX-License-Identifier: GPL-3.0-or-later
#include "CueBuilder.h"

#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

// How long a sentence's last word is taken to last, with the pause after it, when no word after
// it says where it ended.
constexpr double sentenceTail = 1.5;
// How far apart two tasks may place the same word of the same audio. A later task's word this
// close after the last word cued is that word heard again; one further on is new, though the task
// before never said it.
constexpr double retimingSlack = 0.3;
// How long a recogniser may still change the words of a sentence that goes on, in seconds of
// audio after them.
constexpr double settleTime = 2.0;

// Whether a sentence ends in \a text between \a from and \a to, by a final mark.
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
        // From the word's last character: some recognisers count the mark as part of the word.
        const qsizetype wordEnd = words[i].location + std::max<qsizetype>(words[i].length, 1) - 1;
        if (!endsSentence(text, wordEnd, next) && (!all || hasNext))
            continue;
        const double tail = words[i].time + sentenceTail;
        const double end = hasNext ? std::min(words[i + 1].time, tail) : tail;
        // A sentence heard just now waits until the audio says how long it lasts on screen; a
        // task's end cannot wait, and its last cue ends with the audio.
        if (!all && end > m_audioEnd)
            break;
        cueSentence(text, words, first, i, end, cues, Sentence::Finished);
        markCued(taskStart, words, i, end, text.size());
        first = i + 1;
    }
    // A sentence that goes on, as all do from a recogniser that does not punctuate, gives the
    // cues that it has filled once their words have settled.
    if (!all && first < words.size()) {
        const qsizetype uncued =
            cueSentence(text, words, first, words.size() - 1, m_audioEnd, cues, Sentence::GoesOn);
        if (uncued > first)
            markCued(taskStart, words, uncued - 1, words[uncued].time, text.size());
    }
    return cues;
}

void CueBuilder::markCued(double taskStart, const QList<Word> &words, qsizetype last, double end,
                          qsizetype textSize)
{
    m_taskStart = taskStart;
    m_cuedLocation = last + 1 < words.size() ? words[last + 1].location : textSize;
    m_cuedUntil = words[last].time + std::clamp(end - words[last].time, 0.01, retimingSlack);
}

QString CueBuilder::uncuedText(const Transcription &hypothesis, double taskStart) const
{
    const QList<Word> words = newWords(hypothesis, taskStart);
    return words.isEmpty() ? QString()
                           : hypothesis.formattedString.sliced(words.first().location).trimmed();
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

qsizetype CueBuilder::cueSentence(const QString &text, const QList<Word> &words, qsizetype first,
                                  qsizetype last, double sentenceEnd, QList<CaptionCue> &cues,
                                  Sentence sentence)
{
    const bool goesOn = sentence == Sentence::GoesOn;
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
        } else if (goesOn) {
            break;
        }
        const double end = i < last ? words[i + 1].time : sentenceEnd;
        if (goesOn && end > m_audioEnd - settleTime)
            break;
        addCue(textOf(start, i), words[start].time, end, cues);
        start = i + 1;
    }
    return start;
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
