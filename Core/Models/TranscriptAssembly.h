// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Base/Language.h"
#include "Platform/Speech/Transcription.h"

#include <QString>
#include <optional>

/// Turns the hypotheses of successive recognition tasks into one stable transcript and a short
/// display text: a plain value, driven by hand-made hypotheses as easily as by a recogniser.
///
/// Texts of successive tasks are spliced where they overlap most (longest common substring); the
/// part before a splice is solidified and never changes again. The display text is a hypothesis
/// from its pause point on; the pause point moves to a sentence end once the text grows long.
///
/// Each merge leaves a breadcrumb and console lines; telling anyone else is the owner's business.
/// Not thread-safe: its owner calls it from one thread (the listening model's, the main thread).
class TranscriptAssembly
{
public:
    /// Everything merged so far.
    const QString &fullTranscript() const { return m_fullTranscript; }
    /// Where the part of fullTranscript() that a splice may still change starts, in UTF-16 code
    /// units; none means the start of the text.
    std::optional<qsizetype> solidifiedUntilIndex() const { return m_solidifiedUntilIndex; }

    /// Splices \a latestText into the transcript where the two overlap most, or appends it; the
    /// texts of a task that began without an overlap replace that task's earlier text instead.
    void merge(const QString &latestText);
    /// Merges the first hypothesis that a new task has after catching up with the audio replayed
    /// to it, which ended at \a replayedUntil seconds of the task's audio. A task that heard no
    /// word in the replay shares no speech with the old one: its text is appended, not spliced.
    void mergeFirstTextAfterReset(const Transcription &transcription, double replayedUntil);
    /// What fullTranscript() would be after merge(\a latestText); this assembly stays as it is.
    QString fullTranscriptWith(const QString &latestText) const;
    /// Makes the whole transcript final, as at the end of a run: later texts add to it.
    void solidify();
    /// A new task's texts are coming: each is merged on its own terms.
    void beginTask();

    /// The spoken language, for the display threshold and the tagger; none shows whole texts.
    void setLanguage(const std::optional<Language> &language) { m_language = language; }
    /// What the display shows of a hypothesis: its text from the pause point on.
    struct Display
    {
        QString text;
        /// The text's length, in characters.
        qsizetype characters = 0;
    };
    /// The display of \a transcription; then moves the pause point as movePausePoint() does.
    Display show(const Transcription &transcription);
    /// Moves the pause point, for the hypotheses after \a transcription, to its last sentence end
    /// once its display text has grown past the threshold. Forward only.
    void movePausePoint(const Transcription &transcription);
    /// The timestamp of the word at which the display text starts; none: the start.
    std::optional<double> pauseTimestamp() const { return m_pauseTimestamp; }
    /// Forgets the pause point, as a new task's timestamps start again from zero.
    void clearPausePoint() { m_pauseTimestamp.reset(); }
    /// The display text's length, in characters, beyond which the pause point may move.
    int displayCharacterLimit() const;

    /// The longest text found in both \a a and \a b; of several, the one earliest in \a b.
    static QString longestCommonSubstring(const QString &a, const QString &b);

private:
    /// The display of \a transcription, its text split into characters once for all who need it.
    Display display(const Transcription &transcription) const;
    /// Moves the pause point as movePausePoint() does; \a shown is the display of \a transcription.
    void movePausePoint(const Transcription &transcription, const Display &shown);
    /// Appends \a text, with a blank between when neither side has one; returns where it starts.
    qsizetype append(const QString &text);
    void splice(const QString &latestText);
    void logUpdate() const;
    void consoleLine(const QString &label, const QString &value) const;

    QString m_fullTranscript;
    std::optional<qsizetype> m_solidifiedUntilIndex;
    // Set when a task's first text after a reset shared no audio with the old task's: that task's
    // later merges replace its own text from here rather than splice into it.
    std::optional<qsizetype> m_currentTaskTextStart;
    std::optional<double> m_pauseTimestamp;
    std::optional<Language> m_language;
    // A trial merge, whose text nobody sees, leaves no trace in the logs.
    bool m_logs = true;
};
