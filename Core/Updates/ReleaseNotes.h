// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

/// Release notes from an update feed, reduced to a small, flat form before Qt's text layout sees
/// them: a feed nesting thousands of elements would overflow its stack or keep it busy for minutes.
///
/// Only simple text markup is kept (paragraphs, line breaks, lists, headings, emphasis, code and
/// web links), at most eight elements deep; anything else goes, its text kept, but for scripts,
/// styles and comments, which go whole. Any thread: it touches no Qt object.
class ReleaseNotes
{
public:
    ReleaseNotes() = delete;

    /// How deep elements may nest; deeper ones give way to their text.
    static constexpr int maxDepth = 8;
    /// How much text the notes may hold; beyond it only their link is shown.
    static constexpr qsizetype maxTextLength = 64 * 1024;

    /// \a html reduced to the kept markup, every element closed; nothing when its text is longer
    /// than maxTextLength.
    static std::optional<QString> flatten(QStringView html);
};
