// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <memory>

class AppMenu;
class QAction;
class SettingsView;
class TerminationSignals;

/// The program: crash reporting, the transcript store, the tray menu with the program's own
/// "Check for Updates…", and the windows the menu opens.
///
/// The program has no main window; it lives in the tray until "Quit", SIGTERM or Ctrl-C, each of
/// which first ends a running subtitle run so that its text is kept. Main thread.
class VoxlumeApp : public QObject
{
    Q_OBJECT

public:
    VoxlumeApp();
    ~VoxlumeApp() override;

private:
    void openWindow(const QString &identifier);
    void showOnboarding();
    void showSettings();
    void checkForUpdates();

    QAction *m_checkForUpdates;
    std::unique_ptr<AppMenu> m_menu;
    std::unique_ptr<TerminationSignals> m_terminationSignals;
    QPointer<SettingsView> m_settings;
};
