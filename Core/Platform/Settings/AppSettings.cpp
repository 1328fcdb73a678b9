// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppSettings.h"

#include "SettingsKeys.h"

AppSettings &AppSettings::shared()
{
    static AppSettings settings(SettingsStore::shared());
    return settings;
}

AppSettings::AppSettings(SettingsStore &store)
    : m_store(store)
{}

Language AppSettings::selectedFromLanguage() const
{
    return Setting(SettingsKeys::selectedFromLanguage, m_store).value();
}

Language AppSettings::selectedToLanguage() const
{
    return Setting(SettingsKeys::selectedToLanguage, m_store).value();
}

void AppSettings::swapLanguages()
{
    const Language from = selectedFromLanguage();
    const Language to = selectedToLanguage();
    Setting(SettingsKeys::selectedFromLanguage, m_store).setValue(to);
    Setting(SettingsKeys::selectedToLanguage, m_store).setValue(from);
    Setting swapped(SettingsKeys::isLanguageOrderSwappedInInterface, m_store);
    swapped.setValue(!m_store.boolValue(SettingsKeys::isLanguageOrderSwappedInInterface.key()));
}
