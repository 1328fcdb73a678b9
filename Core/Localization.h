// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>

/// Puts the user's language into every text the program shows.
///
/// The English texts are the keys; the translations are built into the library. Qt's own texts
/// (standard buttons, for example) follow when the system has Qt's translations installed.
class Localization
{
public:
    Localization() = delete;

    /// Installs the translations for \a locale into the running application; returns whether the
    /// program's own texts have a translation for it (English needs none, and has none).
    /// Call once, on the main thread, after the application object exists.
    static bool install(const QLocale &locale = QLocale());
};
