// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Platform/Store/CaptionCue.h"

#include <QList>
#include <QString>

/// A run's cues as the subtitle files that video players and editors load: SubRip (.srt) and
/// WebVTT (.vtt). Any thread.
class CaptionFormat
{
public:
    enum class Kind { SubRip, WebVtt };
    /// Which text of each cue the file carries. With Both, each cue has the spoken text on one
    /// line and its translation on the next; with Translation, cues not translated are left out.
    enum class Content { Spoken, Translation, Both };

    /// The file's whole text, in UTF-8 once encoded, with "\n" line ends.
    static QString write(const QList<CaptionCue> &cues, Kind kind, Content content);

    /// \a seconds as the file writes a time: "01:02:03,456" in SubRip, "01:02:03.456" in WebVTT.
    /// Hours take as many digits as they need.
    static QString timestamp(double seconds, Kind kind);

    /// The file name suffix of \a kind, without the dot.
    static QString suffix(Kind kind);
};
