// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CaptionFormat.h"

#include <QCoreApplication>
#include <QString>
#include <optional>

class Transcript;

/// What a stored run becomes when it leaves the program afterwards: plain text, or a subtitle file
/// that video players load, with the spoken text, its translation, or both. The history's Export
/// and the command-line tool write the same. Main thread, as the record is read.
class TranscriptExport
{
    Q_DECLARE_TR_FUNCTIONS(TranscriptExport)

public:
    enum class Format { PlainText, SubRip, WebVtt };
    using Content = CaptionFormat::Content;

    TranscriptExport() = delete;

    /// Why \a transcript cannot be exported as \a format with \a content, in the user's words;
    /// none when it can. A run kept without times is plain text only.
    static std::optional<QString> unavailableReason(const Transcript &transcript, Format format,
                                                    Content content);
    /// The file's whole text, with "\n" line ends; call it where unavailableReason() is none.
    static QString text(const Transcript &transcript, Format format, Content content);
    /// The file name suffix of \a format, without the dot.
    static QString suffix(Format format);
};
