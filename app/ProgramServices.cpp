// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgramServices.h"

#include "Base/Language.h"
#include "Models/DataManager.h"
#include "Platform/Audio/QtAudioEngine.h"
#include "Platform/Settings/SettingsKeys.h"
#include "Platform/Speech/PocketSphinx/PocketSphinxModel.h"
#include "Platform/Speech/PocketSphinx/PocketSphinxSpeechService.h"
#include "Platform/Translation/Apertium/ApertiumTranslationService.h"

AppServices programServices()
{
    AppServices services;
    services.speech = std::make_shared<PocketSphinxSpeechService>();
    services.makeAudioEngine = [] { return chosenInputEngine(); };
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
    const Setting chosen(SettingsKeys::selectedInputDevice);
    return std::make_unique<QtAudioEngine>(
        QtAudioEngine::Choice{[chosen] { return chosen.value(); },
                              [chosen](const QObject *context, std::function<void()> changed) {
                                  chosen.onChange(context, std::move(changed));
                              }});
}
