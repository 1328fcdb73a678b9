// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Platform/Speech/Transcription.h"

/// A hypothesis of \a text whose words were heard a second apart, from \a firstTimestamp on.
inline Transcription timedWords(const QString &text, double firstTimestamp)
{
    Transcription transcription{text, {}};
    qsizetype start = 0;
    for (const QString &word : text.split(u' ')) {
        transcription.segments.append(
            {start, word.size(), firstTimestamp + double(transcription.segments.size())});
        start += word.size() + 1;
    }
    return transcription;
}
