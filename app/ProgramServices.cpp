// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgramServices.h"

#include "Base/Language.h"
#include "Models/DataManager.h"
#include "Platform/Audio/MixedAudioEngine.h"
#include "Platform/Audio/QtAudioEngine.h"
#include "Platform/Settings/SettingsKeys.h"
#include "Platform/Speech/PocketSphinx/PocketSphinxModel.h"
#include "Platform/Speech/PocketSphinx/PocketSphinxSpeechService.h"
#include "Platform/Translation/Apertium/ApertiumTranslationService.h"

namespace {

// Any change of the settings: the engines compare what they read with what they apply.
void watchSettings(const QObject *context, std::function<void()> changed)
{
    Setting(SettingsKeys::selectedInputDevice).onChange(context, std::move(changed));
}

} // namespace

AppServices programServices()
{
    AppServices services;
    services.speech = std::make_shared<PocketSphinxSpeechService>();
    services.makeAudioEngine = [] { return chosenAudioEngine(); };
    services.translation = std::make_shared<ApertiumTranslationService>();
    services.store = &DataManager::shared().modelContainer();
    services.hasSpeechModel = [](const Language &language) {
        return PocketSphinxModel::forLanguage(language.languageCode().value_or(QString()).toLower())
            .has_value();
    };
    return services;
}

std::unique_ptr<QtAudioEngine> chosenInputEngine()
{
    return std::make_unique<QtAudioEngine>(QtAudioEngine::Choice{
        [] {
            const QString chosen = Setting(SettingsKeys::selectedInputDevice).value();
            // Mixed in as well, the computer's sound would be heard twice.
            const bool mixed = Setting(SettingsKeys::mixComputerSound).value();
            return mixed && chosen == AudioInputDevice::soundOfThisComputer ? QString() : chosen;
        },
        watchSettings});
}

std::unique_ptr<AudioEngine> chosenAudioEngine()
{
    auto computerSound = std::make_unique<QtAudioEngine>(
        QtAudioEngine::Choice{[] { return AudioInputDevice::soundOfThisComputer; }, {}},
        QtAudioEngine::Fallback::None);
    return std::make_unique<MixedAudioEngine>(
        chosenInputEngine(), std::move(computerSound),
        MixedAudioEngine::Inclusion{[] { return Setting(SettingsKeys::mixComputerSound).value(); },
                                    watchSettings});
}
