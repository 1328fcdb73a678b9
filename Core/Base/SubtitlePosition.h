// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

/// Where the subtitle window sits: floating wherever the user put it, or docked along the top or
/// the bottom edge of its screen, across the screen's whole width.
enum class SubtitlePosition {
    Floating,
    Top,
    Bottom,
};

/// The text form in which settings keep a SubtitlePosition: "floating", "top" or "bottom".
///
/// Decoding is exact: any other text, such as a position a later version may add, gives none, so
/// that its reader falls back to its default and the text stays stored as it was.
class StoredSubtitlePosition
{
public:
    StoredSubtitlePosition() = delete;

    /// The raw value of \a position.
    static QString rawValue(SubtitlePosition position);

    /// The position that \a rawValue names, or none.
    static std::optional<SubtitlePosition> fromRawValue(const QString &rawValue);
};
