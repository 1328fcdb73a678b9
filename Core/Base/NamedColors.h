// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QString>
#include <optional>

/// The colours that the library carries among its resources, looked up by name.
class NamedColors
{
public:
    NamedColors() = delete;

    /// The sRGB colour named \a name ("DarkBlue", "LightBlue"), or none when there is no such
    /// colour.
    static std::optional<QColor> color(const QString &name);
};
