// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Models/AppServices.h"

#include <QObject>
#include <QPointer>
#include <memory>

class AppMenu;
class AppMenuModel;
class Error;
class AutomaticUpdateChecks;
class OnboardingView;
class QAction;
class SettingsView;
class TerminationSignals;
class TranscriptHistoryView;
class TranslationLanguagesModel;
class TranslationLanguagesView;
class UpdateChecker;
class UpdateView;

/// The program: crash reporting, the transcript store, the tray menu with the program's own
/// "Check for Updates…" and its daily checks, and the windows the menu opens.
///
/// The program has no main window; it lives in the tray until "Quit", SIGTERM or Ctrl-C, each of
/// which first ends a running subtitle run so that its text is kept. Main thread.
class VoxlumeApp : public QObject
{
    Q_OBJECT

public:
    /// Opens the transcript store and, when it cannot be opened, asks whether to go on without
    /// history or quit; whether the program goes on. Before the program's windows exist.
    static bool openStore();

    /// The program on \a services, which its menu, windows and runs share.
    explicit VoxlumeApp(AppServices services);
    ~VoxlumeApp() override;

    /// What launching the running program again does: brings forward the window that stands in
    /// for a missing tray, or else the settings, the program's one window about itself.
    void activate();
    /// Starts live subtitles, or stops them if they run, as the menu's first item does.
    void toggleLiveSubtitles();
    /// Starts live subtitles unless they run already.
    void startLiveSubtitles();
    /// The controller of the subtitle windows, which the menu keeps for the program's life.
    AppMenuModel &subtitleWindows() const;
    /// For the end of the program, once its windows are gone: stores what the store has not taken
    /// yet, or else keeps it in a file and says where.
    void keepUnsavedTranscripts();

protected:
    /// Keeps the history window's size when it closes.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    /// The store's check in the background refused it: says so, and offers to quit.
    void storeCheckFailed(const Error &error);
    void openWindow(const QString &identifier);
    /// The welcome window, made and shown unless it is open already.
    OnboardingView &showOnboarding();
    /// Offers the menu in the welcome window, for a desktop without a tray.
    void offerMenuWithoutTray();
    void closeWelcome();
    void showSettings();
    void showTranslationLanguages();
    void showHistory();
    void checkForUpdates();
    void showUpdates();

    const AppServices m_services;
    QAction *m_checkForUpdates;
    std::unique_ptr<UpdateChecker> m_updateChecker;
    std::unique_ptr<AutomaticUpdateChecks> m_automaticUpdateChecks;
    QPointer<UpdateView> m_updates;
    std::unique_ptr<AppMenu> m_menu;
    std::unique_ptr<TerminationSignals> m_terminationSignals;
    QPointer<SettingsView> m_settings;
    QPointer<TranscriptHistoryView> m_history;
    QPointer<OnboardingView> m_onboarding;
    QPointer<TranslationLanguagesView> m_translationLanguages;
    std::shared_ptr<TranslationLanguagesModel> m_translationLanguagesModel;
};
