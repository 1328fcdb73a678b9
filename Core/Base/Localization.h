// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>

/// Puts the user's language into every text the program shows.
///
/// The English texts are the keys. Translations installed beside the program (share/voxlume/
/// translations under its prefix) come first, so that they can be added or mended without a new
/// build; those built into the library stand in for a catalogue that is not installed there, as in
/// the build tree. Qt's own texts (standard buttons, for example) follow when the system has Qt's
/// translations installed.
class Localization
{
public:
    Localization() = delete;

    /// Installs the translations for \a locale into the running application; returns whether the
    /// program's own texts have a translation for it (English needs none, and has none).
    /// Call once, on the main thread, after the application object exists.
    static bool install(const QLocale &locale = QLocale());
};
