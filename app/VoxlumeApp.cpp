// SPDX-License-Identifier: GPL-3.0-or-later
#include "VoxlumeApp.h"

#include "Base/Logging.h"
#include "Base/TerminationSignals.h"
#include "Models/DataManager.h"
#include "Models/TranscriptHistoryModel.h"
#include "Models/TranslationLanguagesModel.h"
#include "Platform/Settings/SettingsKeys.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Translation/Apertium/ApertiumTranslationService.h"
#include "Updates/AutomaticUpdateChecks.h"
#include "Updates/UpdateChecker.h"
#include "Views/AppMenu.h"
#include "Views/OnboardingView.h"
#include "Views/SettingsView.h"
#include "Views/TranscriptHistoryView.h"
#include "Views/TranslationLanguagesView.h"
#include "Views/UpdateView.h"

#include <QAction>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr QSize settingsSize(700, 550);
constexpr QSize onboardingSize(640, 320);
constexpr QSize historySize(600, 200);
constexpr std::chrono::minutes unsavedNoticeTimeout{2};

// Makes \a window one of the program's windows that float above ordinary ones while open.
void makeFloating(QWidget *window, const QString &title, QSize size)
{
    window->setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(title);
    window->resize(size);
}

// There is one window of each kind: asking for it again brings the open one forward.
void bringForward(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

// The size kept in \a setting as "width,height", or \a fallback when none is kept.
QSize storedSize(const Setting<QString> &setting, QSize fallback)
{
    const QStringList parts = setting.value().split(u',');
    if (parts.size() != 2)
        return fallback;
    const QSize size(parts.at(0).toInt(), parts.at(1).toInt());
    return size.isValid() && !size.isEmpty() ? size : fallback;
}

// Says why the store cannot be used, and offers "Quit", its rejecting and escape button, and going
// on without it, the default, which \a goingOn describes.
std::unique_ptr<QMessageBox> storeUnavailableBox(const Error &error, const QString &goingOn)
{
    auto box = std::make_unique<QMessageBox>(
        QMessageBox::Critical, VoxlumeApp::tr("Transcript History Unavailable"),
        VoxlumeApp::tr("The transcript history cannot be opened."), QMessageBox::NoButton);
    box->setInformativeText(VoxlumeApp::tr("%1\n\nThe file is left as it is. %2")
                                .arg(error.localizedDescription(), goingOn));
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box->setEscapeButton(box->addButton(VoxlumeApp::tr("Quit"), QMessageBox::RejectRole));
    box->setDefaultButton(
        box->addButton(VoxlumeApp::tr("Continue without history"), QMessageBox::AcceptRole));
    return box;
}

} // namespace

bool VoxlumeApp::openStore()
{
    // Opened now rather than by the first run, so that a store that cannot be opened says so at
    // once, and its check in the background begins before anything waits for it.
    const std::optional<Error> error = DataManager::shared().openError();
    if (!error)
        return true;
    const std::unique_ptr<QMessageBox> box = storeUnavailableBox(
        *error, tr("Without it, subtitles still work, but no transcript is kept."));
    box->exec();
    return box->clickedButton() == box->defaultButton();
}

void VoxlumeApp::storeCheckFailed(const Error &error)
{
    if (m_history)
        m_history->showStoreUnavailable(error.localizedDescription());
    QMessageBox *box =
        storeUnavailableBox(error, tr("Subtitles still work, and the transcripts of this session "
                                      "are kept in a text file when Voxlume quits."))
            .release();
    box->setAttribute(Qt::WA_DeleteOnClose);
    // Closing it, though, leaves the running program alone.
    box->setEscapeButton(box->defaultButton());
    connect(box, &QMessageBox::buttonClicked, this, [this, box](QAbstractButton *button) {
        if (box->buttonRole(button) == QMessageBox::RejectRole)
            m_menu->quit();
    });
    // Not modal: the subtitles and the menu go on while it waits to be read. Above them, though,
    // or the subtitles, which stay on top, may hide its buttons.
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    box->show();
}

VoxlumeApp::VoxlumeApp(AppServices services)
    : m_services(std::move(services))
    , m_checkForUpdates(new QAction(tr("Check for Updates…"), this))
    , m_updateChecker(std::make_unique<UpdateChecker>(UpdateChecker::Configuration::fromBuild()))
    , m_automaticUpdateChecks(std::make_unique<AutomaticUpdateChecks>(*m_updateChecker))
    , m_terminationSignals(std::make_unique<TerminationSignals>())
{
    // Crash reporting first, so that it sees everything after.
    Logging::shared();
    Logging::shared().breadcrumb(u"Voxlume started"_s);

    connect(m_checkForUpdates, &QAction::triggered, this, &VoxlumeApp::checkForUpdates);
    connect(m_updateChecker.get(), &UpdateChecker::attentionNeeded, this, &VoxlumeApp::showUpdates);
    m_menu = std::make_unique<AppMenu>(m_services, QList<QAction *>{m_checkForUpdates});
    m_menu->setOpenWindowHandler([this](const QString &identifier) { openWindow(identifier); });
    connect(m_terminationSignals.get(), &TerminationSignals::received, m_menu.get(),
            &AppMenu::quit);
    connect(m_menu.get(), &AppMenu::trayUnavailable, this, &VoxlumeApp::offerMenuWithoutTray);
    connect(&m_menu->model(), &AppMenuModel::isListeningChanged, this, &VoxlumeApp::closeWelcome);
    connect(m_services.store, &ModelContainer::checkFailed, this, &VoxlumeApp::storeCheckFailed);
    if (!Setting(SettingsKeys::isOnboardingComplete).value())
        showOnboarding();
}

OnboardingView &VoxlumeApp::showOnboarding()
{
    if (!m_onboarding) {
        m_onboarding = new OnboardingView;
        m_onboarding->setAttribute(Qt::WA_DeleteOnClose);
        m_onboarding->setWindowTitle(tr("Welcome"));
        // As large as the welcome needs at the user's font size, and not resizable.
        m_onboarding->setFixedSize(m_onboarding->sizeHint().expandedTo(onboardingSize));
    }
    m_onboarding->show();
    return *m_onboarding;
}

void VoxlumeApp::offerMenuWithoutTray()
{
    Logging::shared().breadcrumb(u"No system tray: offering the menu in a window"_s);
    OnboardingView &window = showOnboarding();
    window.offerMenu(m_menu->menu());
    window.setWindowTitle(u"Voxlume"_s);
    window.setFixedSize(window.sizeHint().expandedTo(onboardingSize));
    // Without a tray this window is the only way to the program, so closing it is quitting.
    connect(&window, &QObject::destroyed, this, [this] { m_menu->quit(); });
}

void VoxlumeApp::closeWelcome()
{
    // The welcome has done its job once subtitles run; the menu in its place stays.
    if (m_onboarding && !m_onboarding->isOfferingMenu() && m_menu->model().isListening())
        m_onboarding->close();
}

void VoxlumeApp::keepUnsavedTranscripts()
{
    const std::optional<QString> path = DataManager::shared().keepUnwrittenTranscripts();
    if (!path)
        return;
    const QString text =
        path->isEmpty()
            ? tr("Some transcripts could not be saved, and no file could be written for them. "
                 "Their text was written to the program's standard error.")
            : tr("Some transcripts could not be saved. Their text is kept in %1.").arg(*path);
    std::fprintf(stderr, "%s\n", qUtf8Printable(text));
    QMessageBox box(QMessageBox::Warning, tr("Transcripts Not Saved"), text, QMessageBox::Ok);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A quit at logout must not wait for ever for someone to read this.
    QTimer::singleShot(unsavedNoticeTimeout, &box, &QMessageBox::accept);
    box.exec();
}

void VoxlumeApp::activate()
{
    if (m_onboarding && m_onboarding->isOfferingMenu()) {
        bringForward(m_onboarding);
        return;
    }
    showSettings();
}

void VoxlumeApp::toggleLiveSubtitles()
{
    m_menu->startOrStop();
}

void VoxlumeApp::startLiveSubtitles()
{
    if (!m_menu->model().isListening())
        m_menu->startOrStop();
}

AppMenuModel &VoxlumeApp::subtitleWindows() const
{
    return m_menu->model();
}

VoxlumeApp::~VoxlumeApp()
{
    // Now, while the store is open: the history writes what it has not saved yet as it goes.
    delete m_history;
    // Before the checker it shows.
    delete m_updates;
}

void VoxlumeApp::openWindow(const QString &identifier)
{
    if (identifier == u"settings"_s) {
        showSettings();
        return;
    }
    if (identifier == u"languages"_s) {
        showTranslationLanguages();
        return;
    }
    if (identifier == u"history"_s) {
        showHistory();
        return;
    }
    Logging::shared().breadcrumb(u"No window is made for "_s + identifier + u" yet"_s);
}

void VoxlumeApp::showSettings()
{
    if (!m_settings) {
        m_settings = new SettingsView(m_services.makeAudioEngine);
        makeFloating(m_settings, tr("Settings"), settingsSize);
        m_settings->setLanguageSettingsAction([this] { openWindow(u"languages"_s); });
    }
    bringForward(m_settings);
}

void VoxlumeApp::showTranslationLanguages()
{
    if (!m_translationLanguages) {
        // The model outlives the window, so that an install under way still shows when the
        // window is opened again.
        if (!m_translationLanguagesModel)
            m_translationLanguagesModel = std::make_shared<TranslationLanguagesModel>(
                TranslationLanguagesModel::Configuration{
                    ApertiumTranslationService::systemModesDirectory(), QString()});
        m_translationLanguages = new TranslationLanguagesView(m_translationLanguagesModel);
        makeFloating(m_translationLanguages, tr("Translation Languages"),
                     m_translationLanguages->size());
    }
    bringForward(m_translationLanguages);
}

void VoxlumeApp::showHistory()
{
    if (!m_history) {
        m_history = new TranscriptHistoryView(
            std::make_unique<TranscriptHistoryModel>(*m_services.store, m_services.translation));
        makeFloating(m_history, tr("Transcript History"),
                     storedSize(Setting(SettingsKeys::historyWindowSize), historySize));
        m_history->installEventFilter(this);
        if (const std::optional<Error> error = DataManager::shared().openError())
            m_history->showStoreUnavailable(error->localizedDescription());
    }
    bringForward(m_history);
}

bool VoxlumeApp::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_history && event->type() == QEvent::Close) {
        const QSize size = m_history->size();
        Setting(SettingsKeys::historyWindowSize)
            .setValue(u"%1,%2"_s.arg(size.width()).arg(size.height()));
    }
    return QObject::eventFilter(watched, event);
}

void VoxlumeApp::checkForUpdates()
{
    m_updateChecker->checkForUpdates();
    showUpdates();
}

void VoxlumeApp::showUpdates()
{
    if (!m_updates) {
        m_updates = new UpdateView(*m_updateChecker);
        makeFloating(m_updates, m_updates->windowTitle(), m_updates->size());
    }
    bringForward(m_updates);
}
