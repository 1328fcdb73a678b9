// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Models/InputLevelMonitor.h"
#include "NoticeBanner.h"
#include "Platform/Session/AutostartEntry.h"
#include "Platform/Settings/SettingsKeys.h"

#include <QPointer>
#include <QWidget>
#include <functional>

class FontPicker;
class InputLevelMeter;
class QFormLayout;
class InputPicker;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class ScreenPicker;

/// The settings window's content: how the subtitles look (size, font, colour), how see-through
/// their window is, and what it shows; where the window sits, and on which screen; whether the live
/// subtitles are kept in a file for other programs, and which; what is listened to, with a meter of
/// its level; and whether the program starts at login.
///
/// Every control is bound to its settings key: a change is stored at once, and the open subtitle
/// window follows it by itself; a change made elsewhere shows here at once. Nothing is stored until
/// the user changes a control. A problem with the settings file shows in a banner at the top until
/// the user dismisses it. Main thread.
class SettingsView : public QWidget
{
    Q_OBJECT

public:
    /// The settings, with a level meter that reads the chosen input through what \a makeAudioEngine
    /// makes.
    explicit SettingsView(InputLevelMonitor::EngineFactory makeAudioEngine,
                          QWidget *parent = nullptr);

    /// What "Open Language Settings" does; without one the button is not offered.
    void setLanguageSettingsAction(std::function<void()> action);

    /// The controls, for tests.
    QSlider *fontSizeSlider() const { return m_fontSize; }
    FontPicker *fontPicker() const { return m_font; }
    QSlider *transparencySlider() const { return m_transparency; }
    QCheckBox *showSpokenLanguageToggle() const { return m_showSpokenLanguage; }
    QCheckBox *showSwapButtonToggle() const { return m_showSwapButton; }
    QCheckBox *automaticUpdatesToggle() const { return m_checkAutomatically; }
    QCheckBox *liveCaptionFileToggle() const { return m_writeLiveCaptionFile; }
    QLineEdit *liveCaptionFileField() const { return m_liveCaptionFile; }
    QPushButton *liveCaptionFileButton() const { return m_chooseLiveCaptionFile; }
    QPushButton *textColorButton() const { return m_textColor; }
    QPushButton *translationColorButton() const { return m_translationColor; }
    QComboBox *textOutlineBox() const { return m_textOutline; }
    QSpinBox *linesBox() const { return m_lines; }
    QComboBox *backgroundBox() const { return m_background; }
    QSlider *lineBoxOpacitySlider() const { return m_lineBoxOpacity; }
    QCheckBox *maskProfanityToggle() const { return m_maskProfanity; }
    InputPicker *inputPicker() const { return m_inputPicker; }
    InputLevelMeter *inputLevelMeter() const { return m_inputLevel; }
    /// The microphone mixed with the computer's sound, shown while they are.
    InputPicker *microphonePicker() const { return m_microphonePicker; }
    InputLevelMeter *microphoneLevelMeter() const { return m_microphoneLevel; }
    QCheckBox *startAtLoginToggle() const { return m_startAtLogin; }
    QComboBox *positionPicker() const { return m_position; }
    ScreenPicker *screenPicker() const { return m_screen; }
    /// What is shown about a problem with the settings file, if anything.
    NoticeBanner *settingsProblemBanner() const { return m_settingsProblem; }

    /// The slider values of a font size (its points, on a step of the ticks) and of a
    /// transparency (percent), and back.
    static int fontSizePosition(double pointSize);
    static double fontSizeAt(int position);
    static int transparencyPosition(double transparency);
    static double transparencyAt(int position);

protected:
    /// Shows again whether the program starts at login, which other programs may change.
    void changeEvent(QEvent *event) override;

private:
    QWidget *makeTextAppearance();
    QWidget *makeDisplaySettings();
    QWidget *makeLanguageHelp();
    void chooseColor(const SettingsKey<QColor> &key);
    /// A combo box that offers \a choices (text, stored value) for \a key and writes the one
    /// chosen; showStoredValues() shows the stored one.
    QComboBox *makeChoice(const SettingsKey<QString> &key,
                          const QList<std::pair<QString, QString>> &choices, const QString &name,
                          QWidget *parent);
    /// Shows what the store holds, without storing anything.
    void showStoredValues();
    void showSettingsProblem();

    QSlider *m_fontSize;
    FontPicker *m_font;
    QPushButton *m_textColor;
    QPushButton *m_translationColor;
    QComboBox *m_textOutline;
    QSpinBox *m_lines;
    QComboBox *m_background;
    QSlider *m_lineBoxOpacity;
    QCheckBox *m_maskProfanity;
    QList<std::pair<QComboBox *, SettingsKey<QString>>> m_choices;
    QSlider *m_transparency;
    QCheckBox *m_showSpokenLanguage;
    QCheckBox *m_showSwapButton;
    QPushButton *m_languageSettings;
    std::function<void()> m_openLanguageSettings;
    QPointer<NoticeBanner> m_settingsProblem;

    // Where the subtitle window sits.
    /// "Position": floating, or docked at the top or the bottom of the screen, with what docking
    /// does on Wayland; and "Screen".
    QWidget *makePlacementSettings();
    void showStoredPlacement();
    QComboBox *m_position;
    ScreenPicker *m_screen;

    // The live captions for other programs.
    /// "Write live captions to a file", and the file, shown and chosen in a file dialog.
    QWidget *makeLiveCaptionSettings();
    void chooseLiveCaptionFile();
    QCheckBox *m_writeLiveCaptionFile;
    QLineEdit *m_liveCaptionFile;
    QPushButton *m_chooseLiveCaptionFile;

    // What is listened to.
    /// The input choice, its level meter while the window shows, and why there is no level; for
    /// the microphone and the computer's sound, a choice of microphone and a meter for each.
    QWidget *makeInputSettings(InputLevelMonitor::EngineFactory makeAudioEngine);
    void storeInput();
    void showStoredInput();
    InputPicker *m_inputPicker;
    InputLevelMeter *m_inputLevel;
    QFormLayout *m_inputForm;
    int m_microphoneRow;
    InputPicker *m_microphonePicker;
    InputLevelMeter *m_microphoneLevel;

    // Starting with the desktop session.
    /// "Start at Login", bound to the autostart entry rather than to a setting, and why the last
    /// change of it failed.
    QWidget *makeStartupSettings();
    void showAutostart();
    void setStartAtLogin(bool on);
    AutostartEntry m_autostart;
    QCheckBox *m_startAtLogin;
    QLabel *m_startAtLoginProblem;

    // Updates.
    /// "Check for updates automatically", or why a build without a feed has nothing to check.
    QWidget *makeUpdateSettings();
    void showStoredUpdateChoice();
    QCheckBox *m_checkAutomatically;
};
