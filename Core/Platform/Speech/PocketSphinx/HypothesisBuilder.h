// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Platform/Speech/Transcription.h"

#include <QList>
#include <QString>

/// Turns what a decoder reports, utterance by utterance, into the hypotheses of one task: each
/// utterance a sentence, and every word's timestamp kept for as long as the word stays put.
///
/// A decoder revises the utterance under way as it hears more, and nudges word boundaries by a
/// frame or two as it does. The display finds its place again by exact timestamp, so a word at the
/// same index of the same utterance keeps the timestamp it was first reported with, as long as it
/// is the same word or a new reading of the same stretch of audio (it starts within 50 ms of the
/// old one). Timestamps never decrease along the text.
class HypothesisBuilder
{
public:
    /// One word as the decoder reports it, with its start in seconds from the start of the task.
    struct Word
    {
        QString text;
        double timestamp = 0.0;
    };

    /// With \a punctuates, each utterance reads as a sentence: capital first letter, and a full
    /// stop once it has ended. Without it the words stay as the decoder spells them.
    explicit HypothesisBuilder(bool punctuates);

    /// Replaces the words of the utterance under way with \a words, as the decoder now hears it.
    /// Silence, filler and sentence markers are dropped, and pronunciation variants ("read(2)")
    /// become their word.
    void setOpenUtterance(const QList<Word> &words);

    /// Ends the utterance under way with \a words, the decoder's final reading of it; later words
    /// belong to a new utterance.
    void finishUtterance(const QList<Word> &words);

    /// The whole text so far: the finished utterances, then the one under way, separated by
    /// single blanks, with one segment per word.
    Transcription transcription() const;

    /// The finished utterances' words from \a seconds of this task's audio on, timed from there:
    /// what a task whose audio starts at that point has heard of them.
    HypothesisBuilder from(double seconds) const;

private:
    static QList<Word> spokenWords(const QList<Word> &decoded);
    QList<Word> settled(QList<Word> words) const;
    double lastFinishedTimestamp() const;
    void append(const QList<Word> &utterance, bool finished, Transcription &transcription) const;

    const bool m_punctuates;
    QList<QList<Word>> m_finished;
    QList<Word> m_open;
};
