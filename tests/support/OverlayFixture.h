// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FakeTranslationService.h"
#include "Models/AppServices.h"
#include "Models/SubtitleOverlayWindowModel.h"
#include "Platform/Audio/ManualAudioEngine.h"
#include "Platform/Settings/SettingsStore.h"
#include "Platform/Speech/Scripted/ScriptedSpeechService.h"
#include "Platform/Store/ModelContainer.h"

#include <QTemporaryDir>
#include <QTest>

/// What the window tests run the subtitles on: scripted recognition, audio delivered by hand, a
/// fake translator, a store in a temporary folder, and a settings store emptied for each test.
class OverlayFixture
{
public:
    OverlayFixture()
    {
        clearSettings();
        m_store = std::get<std::unique_ptr<ModelContainer>>(
            ModelContainer::open(m_folder.filePath(QStringLiteral("Transcripts.sqlite"))));
    }

    /// The substitutes, as the program hands its services down; the menu offers English only.
    AppServices services()
    {
        AppServices services;
        services.speech = speech;
        services.makeAudioEngine = [this] {
            auto engine = std::make_unique<ManualAudioEngine>();
            audio = engine.get();
            return engine;
        };
        services.translation = translation;
        services.store = m_store.get();
        services.hasSpeechModel = [](const Language &language) {
            return language.languageCode() == QStringLiteral("en");
        };
        return services;
    }

    std::unique_ptr<SubtitleOverlayWindowModel> makeOverlayModel()
    {
        return std::make_unique<SubtitleOverlayWindowModel>(services());
    }

    ModelContainer &store() { return *m_store; }

    static void set(const char *key, const QString &value)
    {
        SettingsStore::shared().setString(QString::fromLatin1(key), value);
    }

    std::shared_ptr<ScriptedSpeechService> speech = std::make_shared<ScriptedSpeechService>();
    std::shared_ptr<FakeTranslationService> translation =
        std::make_shared<FakeTranslationService>();
    /// The engine of the last model made, owned by it.
    ManualAudioEngine *audio = nullptr;

private:
    static void clearSettings()
    {
        SettingsStore &settings = SettingsStore::shared();
        QSettings file(settings.filePath(), QSettings::IniFormat);
        for (const QString &key : file.allKeys())
            settings.remove(key);
    }

    QTemporaryDir m_folder;
    std::unique_ptr<ModelContainer> m_store;
};
