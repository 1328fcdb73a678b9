// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Base/Language.h"

class SettingsStore;

/// The two language settings for code that has no view binding: read them, and swap them.
///
/// Holds nothing: every read goes to the store. Main thread only.
class AppSettings
{
public:
    /// The instance over the user's settings store.
    static AppSettings &shared();

    explicit AppSettings(SettingsStore &store);

    /// The stored spoken language, or the current locale's when absent or undecodable.
    Language selectedFromLanguage() const;
    /// The stored translation language, or the current locale's when absent or undecodable.
    Language selectedToLanguage() const;

    /// Stores each language under the other's key (both keys end up written, even when they were
    /// absent) and inverts isLanguageOrderSwappedInInterface.
    void swapLanguages();

private:
    SettingsStore &m_store;
};
