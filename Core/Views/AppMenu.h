// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AppMenuModel.h"
#include "Base/Language.h"
#include "Models/AppServices.h"

#include <QList>
#include <QObject>
#include <functional>
#include <memory>
#include <qcoro/qcorotask.h>

class QAction;
class QActionGroup;
class QMenu;
class QSystemTrayIcon;
class TranslationService;

/// The program's menu in the system tray: start and stop live subtitles, choose the spoken and
/// the translation language, open the history and the settings, whatever the program adds, and
/// quit.
///
/// Owns the one controller of the subtitle window for the life of the program. The language
/// choices are bound to the settings, so a swap in the subtitle window shows here at once. Main
/// thread.
class AppMenu : public QObject
{
    Q_OBJECT

public:
    /// Opens one of the program's windows by its identifier ("history", "settings", "languages").
    using OpenWindow = std::function<void(const QString &identifier)>;

    /// A menu whose windows run on \a services, with \a additionalContent before "Quit". The
    /// translation service lists the languages to choose from.
    explicit AppMenu(AppServices services, QList<QAction *> additionalContent = {},
                     QObject *parent = nullptr);
    ~AppMenu() override;

    AppMenuModel &model() const { return *m_model; }
    QMenu *menu() const { return m_menu.get(); }
    QSystemTrayIcon *trayIcon() const { return m_trayIcon; }

    /// Lets the menu and the subtitle windows open the program's other windows.
    void setOpenWindowHandler(OpenWindow handler);

    /// The languages both pickers offer, sorted by label; empty until loaded.
    QList<Language> supportedLanguages() const { return m_supportedLanguages; }

    /// Starts live subtitles, or stops them if they run: the menu's first item.
    void startOrStop();
    /// Ends a running run of subtitles, so its last text is stored, then ends the program.
    void quit();

Q_SIGNALS:
    /// The pickers have their entries.
    void supportedLanguagesLoaded();
    /// The desktop has shown no system tray for a while after the start, so the menu must be
    /// offered some other way.
    void trayUnavailable();

private:
    QCoro::Task<> loadSupportedLanguages();
    void buildPickers();
    void updatePickers();
    /// Marks each translation language by what it gives from the spoken language: installed,
    /// installed when chosen, or not available (disabled).
    void markTranslations();
    void updateStartStop();
    void openWindow(const QString &identifier);
    void makeTrayIcon();

    const AppServices m_services;
    std::unique_ptr<AppMenuModel> m_model;
    std::unique_ptr<QMenu> m_menu;
    QSystemTrayIcon *m_trayIcon = nullptr;
    QAction *m_startStop;
    QAction *m_showWindow;
    QAction *m_clickThrough;
    QMenu *m_spokenMenu;
    QMenu *m_translatedMenu;
    QList<Language> m_supportedLanguages;
    // The spoken language that the translation entries were last marked for.
    std::optional<Language> m_markedFrom;
    // The entries' labels, in the same order.
    QStringList m_labels;
    OpenWindow m_openWindow;
};
