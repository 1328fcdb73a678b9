// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>

class AudioEngine;
class Language;
class ModelContainer;
class SpeechService;
class TranslationService;

/// The services that the models and views run on, built once and handed down: by the program from
/// the real ones, by tests and tools from substitutes. No model or view picks a service itself.
struct AppServices
{
    /// Recognises the speech of every run.
    std::shared_ptr<SpeechService> speech;
    /// Makes a reader of the chosen input: one for each run, one for the settings' level meter.
    std::function<std::unique_ptr<AudioEngine>()> makeAudioEngine;
    /// Translates the subtitles and the history alike, which so share its running pipelines.
    std::shared_ptr<TranslationService> translation;
    /// Keeps the transcripts; outlives everything made with these services.
    ModelContainer *store = nullptr;
    /// Whether speech in a language can be recognised here; menus offer only those languages.
    std::function<bool(const Language &)> hasSpeechModel;
};
