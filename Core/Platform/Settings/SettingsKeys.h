// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Setting.h"

#include <QStandardPaths>
#include <algorithm>

/// Every persistent preference: its key, its type and the default its readers use.
///
/// Defaults are never written back, except where the overlay writes two of them when it opens.
namespace SettingsKeys {

inline Language currentLanguage()
{
    return Language::fromLocale(Locale::current());
}

/// In the user's runtime folder, which lives in memory: a file replaced at every new word would
/// otherwise keep a disk busy, and its text is of no use after the session.
inline QString runtimeLiveCaptionFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) +
           QStringLiteral("/voxlume-live-captions.txt");
}

/// \a value when it is one of \a known, else the first of them: a hand-edited choice that no
/// control offers reads as the default.
inline QString knownChoice(const QString &value, std::initializer_list<const char *> known)
{
    const bool isKnown = std::any_of(known.begin(), known.end(), [&](const char *choice) {
        return value == QLatin1StringView(choice);
    });
    return isKnown ? value : QString::fromLatin1(*known.begin());
}

/// The spoken language, given to the recogniser and the translator.
inline constexpr SettingsKey<Language> selectedFromLanguage{"selectedFromLanguage",
                                                            &currentLanguage};
/// The translation language; equal to the spoken one, the text passes through untranslated.
inline constexpr SettingsKey<Language> selectedToLanguage{"selectedToLanguage", &currentLanguage};
/// The user swapped the languages an odd number of times: the overlay shows them swapped.
inline constexpr SettingsKey<bool> isLanguageOrderSwappedInInterface{
    "isLanguageOrderSwappedInInterface", [] { return false; }};
/// Point size of the subtitle text; the settings offer 30 to 60 in steps of 5. A hand-edited size
/// beyond them (1e9 draws empty boxes) reads as the nearest end.
inline constexpr SettingsKey<double> translationFontSize{
    "translationFontSize", [] { return 35.0; },
    [](double size) { return std::clamp(size, 30.0, 60.0); }};
/// Transparency of the overlay's black background, 0 to 1.
inline constexpr SettingsKey<double> windowTransparency{
    "windowTransparency", [] { return 0.2; },
    [](double transparency) { return std::clamp(transparency, 0.0, 1.0); }};
/// Whether the overlay shows the spoken text as well as the translation.
inline constexpr SettingsKey<bool> showSpokenLanguage{"showSpokenLanguage", [] { return true; }};
/// Whether the overlay shows its language-swap button.
inline constexpr SettingsKey<bool> showLanguageSwapButton{"showLanguageSwapButton",
                                                          [] { return true; }};
/// Colour of the subtitle text, opacity included.
inline constexpr SettingsKey<QColor> textColor{"textColor", [] { return QColor(Qt::white); }};
/// The line around the subtitles' glyphs: "none", "thin" or "thick".
inline constexpr SettingsKey<QString> textOutline{
    "textOutline", [] { return QStringLiteral("none"); },
    [](QString outline) {
        return knownChoice(outline, {"none", "thin", "thick"});
    }};
/// What lies behind the subtitles: "window", the whole window in its transparency, or
/// "lineBoxes", a box behind each line of text alone.
inline constexpr SettingsKey<QString> subtitleBackground{
    "subtitleBackground", [] { return QStringLiteral("window"); },
    [](QString background) {
        return knownChoice(background, {"window", "lineBoxes"});
    }};
/// How many lines of subtitles the overlay shows, 1 to 5; 1 is one stretch of text that shrinks
/// to fit. Any other number reads as 1.
inline constexpr SettingsKey<int> subtitleLines{
    "subtitleLines", [] { return 1; },
    [](int lines) { return lines >= 1 && lines <= 5 ? lines : 1; }};
/// Opacity of the boxes behind the lines, 0 to 1.
inline constexpr SettingsKey<double> lineBoxOpacity{
    "lineBoxOpacity", [] { return 0.6; },
    [](double opacity) { return std::clamp(opacity, 0.0, 1.0); }};
/// Colour of the translated text, opacity included.
inline constexpr SettingsKey<QColor> translationColor{"translationColor",
                                                      [] { return QColor(Qt::white); }};
/// Whether the subtitles and the live outputs show profane words masked ("f***"); the stored
/// transcripts always keep every word.
inline constexpr SettingsKey<bool> maskProfanity{"maskProfanity", [] { return false; }};
/// "System" for the system font, otherwise the family name of an installed font.
inline constexpr SettingsKey<QString> selectedFont{"selectedFont",
                                                   [] { return QStringLiteral("System"); }};
/// While false, the onboarding window opens when the program starts.
inline constexpr SettingsKey<bool> isOnboardingComplete{"isOnboardingComplete",
                                                        [] { return false; }};
/// Whether the subtitle window keeps what it shows in liveCaptionFile, for other programs to read.
inline constexpr SettingsKey<bool> writeLiveCaptionFile{"writeLiveCaptionFile",
                                                        [] { return false; }};
/// The file that writeLiveCaptionFile keeps.
inline constexpr SettingsKey<QString> liveCaptionFile{"liveCaptionFile", &runtimeLiveCaptionFile};
/// Set from outside: start live subtitles as soon as the program has started.
inline constexpr SettingsKey<bool> startImmediately{"startImmediately", [] { return false; }};
/// Set from outside: models raise their error alerts instead of only reporting the errors.
inline constexpr SettingsKey<bool> showErrors{"showErrors", [] { return false; }};
/// Set from outside: the settings window offers a button that crashes the program on purpose.
inline constexpr SettingsKey<bool> showCrashButton{"showCrashButton", [] { return false; }};
/// Where the subtitle window was last, as "x,y,width,height"; empty until it has been closed once.
inline constexpr SettingsKey<QString> overlayWindowGeometry{"overlayWindowGeometry",
                                                            [] { return QString(); }};
/// Where the subtitle window sits: floating, or docked along the top or the bottom of its screen.
/// Text that names no position reads as floating, and stays stored until the user chooses one.
inline constexpr SettingsKey<SubtitlePosition> overlayPosition{
    "overlayPosition", [] { return SubtitlePosition::Floating; }};
/// The name of the screen the subtitle window shows on, as the window system calls it ("HDMI-1");
/// empty for the primary screen. A screen that is not connected reads as the primary one, and stays
/// stored, so that the window goes back to it once it is plugged in again.
inline constexpr SettingsKey<QString> overlayScreen{"overlayScreen", [] { return QString(); }};
/// The size of the transcript history window as "width,height"; empty until it has been closed
/// once.
inline constexpr SettingsKey<QString> historyWindowSize{"historyWindowSize",
                                                        [] { return QString(); }};
/// The subtitle window has said, once for good, that on native Wayland it cannot stay above other
/// windows.
inline constexpr SettingsKey<bool> hasShownWaylandNotice{"hasShownWaylandNotice",
                                                         [] { return false; }};
/// Whether the subtitle window lets the mouse through to what is under it.
inline constexpr SettingsKey<bool> overlayClickThrough{"overlayClickThrough", [] { return false; }};
/// The id of the input device to capture; empty for the system's default, or
/// AudioInputDevice::soundOfThisComputer.
inline constexpr SettingsKey<QString> selectedInputDevice{"selectedInputDevice",
                                                          [] { return QString(); }};
/// Whether the computer's sound is heard too, mixed with the microphone that selectedInputDevice
/// then names. A key of its own, so that a build that does not know it listens to that microphone.
inline constexpr SettingsKey<bool> mixComputerSound{"mixComputerSound", [] { return false; }};
/// Whether the program looks for a newer version once a day by itself.
inline constexpr SettingsKey<bool> automaticallyCheckForUpdates{"automaticallyCheckForUpdates",
                                                                [] { return false; }};
/// When the update feed was last asked, in UTC as ISO 8601; empty until it has been once.
inline constexpr SettingsKey<QString> lastUpdateCheck{"lastUpdateCheck", [] { return QString(); }};
/// The version the user chose to skip: checks by themselves do not offer it again.
inline constexpr SettingsKey<QString> skippedUpdateVersion{"skippedUpdateVersion",
                                                           [] { return QString(); }};
} // namespace SettingsKeys
