// SPDX-License-Identifier: GPL-3.0-or-later
#include "CaptionCue.h"

#include "Base/CharacterSequence.h"

QStringList CaptionCue::wrap(const QString &text)
{
    QStringList lines;
    QString line;
    qsizetype lineLength = 0;
    for (const QString &word : text.simplified().split(u' ', Qt::SkipEmptyParts)) {
        const qsizetype wordLength = CharacterSequence::count(word);
        if (!line.isEmpty() && lineLength + 1 + wordLength > maxLineLength) {
            lines << line;
            line.clear();
            lineLength = 0;
        }
        if (!line.isEmpty()) {
            line += u' ';
            ++lineLength;
        }
        line += word;
        lineLength += wordLength;
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}
