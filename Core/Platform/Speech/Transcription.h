// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

/// One recognised word of a hypothesis.
struct TranscriptionSegment
{
    /// Where the word's text lies in the formatted string, in UTF-16 code units.
    qsizetype location = 0;
    qsizetype length = 0;
    /// Seconds from the start of the task's audio to the word.
    double timestamp = 0.0;

    friend bool operator==(const TranscriptionSegment &, const TranscriptionSegment &) = default;
};

/// A hypothesis: the whole text a recognition task has recognised so far, and its words.
struct Transcription
{
    /// The punctuated text.
    QString formattedString;
    /// The words, in text order.
    QList<TranscriptionSegment> segments;

    friend bool operator==(const Transcription &, const Transcription &) = default;
};
