// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Platform/Speech/Transcription.h"
#include "Platform/Store/CaptionCue.h"

#include <QList>

/// Cuts what a run hears into subtitle cues: each finished sentence, split where it would break
/// the usual subtitle limits, timed on the run's own clock; a sentence that goes on without an end
/// gives its cues as it fills them. Main thread.
///
/// A cue takes at most CaptionCue::maxLines lines and maxDuration seconds, lasts at least
/// minDuration seconds where the run's audio allows, never overlaps the cue before it and never
/// reaches past the audio processed. Cues, once given, never change.
///
/// Within one task, words are told apart from those already cued by their place in the text,
/// which a finished sentence keeps. A task that takes over hears the newest audio again; its words
/// are told apart by time, so that nothing is cued twice. A hypothesis without word times has its
/// words timed evenly between the end of what was cued and the audio processed.
class CueBuilder
{
public:
    static constexpr double maxDuration = 7.0;
    static constexpr double minDuration = 1.0;

    /// Takes \a hypothesis of the task whose audio begins \a taskStart seconds into the run, and
    /// that has processed \a processed seconds of it; hypotheses of one task share their
    /// taskStart. Returns the cues of the sentences it finished.
    QList<CaptionCue> take(const Transcription &hypothesis, double taskStart, double processed);

    /// Takes the last hypothesis of a task that ends (it is replaced, or the run stops): its text
    /// becomes cues, finished or not. Returns them.
    QList<CaptionCue> finish(const Transcription &hypothesis, double taskStart, double processed);

    /// The text of \a hypothesis (as take() was last given it) that no cue holds yet: the words
    /// still being spoken, which a view shows under the finished cues.
    QString uncuedText(const Transcription &hypothesis, double taskStart) const;

private:
    struct Word
    {
        qsizetype location;
        qsizetype length;
        /// On the run's clock.
        double time;
    };

    QList<CaptionCue> cut(const Transcription &hypothesis, double taskStart, double processed,
                          bool all);
    /// The words of \a hypothesis not cued yet, timed on the run's clock.
    QList<Word> newWords(const Transcription &hypothesis, double taskStart) const;
    enum class Sentence { Finished, GoesOn };
    /// Adds the cues of the words \a first to \a last of one sentence, which ends at
    /// \a sentenceEnd, to \a cues. A sentence that goes on keeps its last cue open, and its
    /// words of the last seconds, which may still change. Returns the first word not cued.
    qsizetype cueSentence(const QString &text, const QList<Word> &words, qsizetype first,
                          qsizetype last, double sentenceEnd, QList<CaptionCue> &cues,
                          Sentence sentence);
    /// Notes that the words of \a words up to \a last are cued, the last cue ending at \a end.
    void markCued(double taskStart, const QList<Word> &words, qsizetype last, double end,
                  qsizetype textSize);
    /// Adds a cue to \a cues, moved and stretched within the limits.
    void addCue(QString text, double start, double end, QList<CaptionCue> &cues);

    /// The task whose words were cued last, by its start, and where its cued text ends.
    double m_taskStart = -1;
    qsizetype m_cuedLocation = 0;
    /// Where the cued speech ends on the run's clock; a later task's words before it are heard
    /// again.
    double m_cuedUntil = 0;
    /// Where the last cue ends: the next one starts there at the earliest.
    double m_lastEnd = 0;
    /// The most audio processed on the run's clock, by any task: no cue reaches past it.
    double m_audioEnd = 0;
};
