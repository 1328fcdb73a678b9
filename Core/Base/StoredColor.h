// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QString>
#include <optional>

/// The text form in which settings keep a colour, opacity included.
///
/// The text is standard Base64 (with padding, without line breaks) of a small record: a tag, then
/// the sRGB red, green, blue and opacity as 64-bit floats from 0 to 1. Decoding is strict: any
/// character outside the alphabet, a wrong length, an unknown tag or a component outside 0...1
/// gives no colour, and the reader uses its default.
class StoredColor
{
public:
    StoredColor() = delete;

    /// The raw value of \a color, converted to sRGB.
    static QString rawValue(const QColor &color);

    /// The colour held by \a rawValue, or none when it does not decode.
    static std::optional<QColor> fromRawValue(const QString &rawValue);
};
