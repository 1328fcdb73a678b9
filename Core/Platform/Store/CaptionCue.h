// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

/// One subtitle of a run: a stretch of the spoken text, when it was said on the run's own clock
/// (seconds of audio since the run began), and its translation once there is one.
struct CaptionCue
{
    /// The longest line a cue's text is wrapped to, in characters, and the most lines it takes.
    static constexpr qsizetype maxLineLength = 42;
    static constexpr qsizetype maxLines = 2;

    double start = 0;
    double end = 0;
    QString text;
    std::optional<QString> translation;

    /// \a text wrapped at spaces into lines of at most maxLineLength characters; a word longer
    /// than a line has a line of its own. Line breaks in \a text count as spaces.
    static QStringList wrap(const QString &text);

    friend bool operator==(const CaptionCue &, const CaptionCue &) = default;
};
