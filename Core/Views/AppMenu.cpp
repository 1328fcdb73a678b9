// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppMenu.h"

#include "Base/LanguageLabels.h"
#include "Models/SubtitleOverlayWindowModel.h"
#include "Platform/Settings/SettingsKeys.h"
#include "Platform/Translation/TranslationService.h"
#include "SubtitleWindow.h"

#include <QActionGroup>
#include <QCollator>
#include <QCoreApplication>
#include <QCursor>
#include <QHash>
#include <QIcon>
#include <QMenu>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int trayGraceMs = 2000;

Language languageOf(const QAction *action)
{
    return Language::fromRawValue(action->data().toString()).value_or(Language());
}

} // namespace

AppMenu::AppMenu(AppServices services, QList<QAction *> additionalContent, QObject *parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_menu(std::make_unique<QMenu>())
{
    m_menu->setToolTipsVisible(true);
    m_startStop = m_menu->addAction(QString(), this, &AppMenu::startOrStop);
    // A minimised window without a frame is easy to lose; the menu brings it back.
    m_showWindow = m_menu->addAction(tr("Show Live Subtitles"), this,
                                     [this] { m_model->startLiveSubtitles(); });
    connect(m_menu.get(), &QMenu::aboutToShow, this, [this] {
        const SubtitleWindow *window = m_model->subtitleWindow();
        m_showWindow->setVisible(window && window->isMinimized());
    });
    m_showWindow->setVisible(false);
    m_clickThrough = m_menu->addAction(tr("Click Through Subtitles"));
    m_clickThrough->setCheckable(true);
    m_clickThrough->setToolTip(
        tr("The subtitle window lets the mouse through to the windows under it."));
    connect(m_clickThrough, &QAction::toggled, this,
            [](bool on) { Setting(SettingsKeys::overlayClickThrough).setValue(on); });
    m_menu->addSeparator();
    m_spokenMenu = m_menu->addMenu(tr("Spoken Language"));
    m_translatedMenu = m_menu->addMenu(tr("Translated Language"));
    for (QMenu *picker : {m_spokenMenu, m_translatedMenu})
        picker->setToolTipsVisible(true);
    // A pair may have been installed or removed since, by the program or by other means.
    connect(m_translatedMenu, &QMenu::aboutToShow, this, &AppMenu::markTranslations);
    m_menu->addSeparator();
    m_menu->addAction(tr("View History"), this, [this] { openWindow(u"history"_s); });
    m_menu->addSeparator();
    m_menu->addAction(tr("Settings..."), this, [this] { openWindow(u"settings"_s); });
    for (QAction *action : additionalContent)
        m_menu->addAction(action);
    m_menu->addAction(tr("Quit"), this, &AppMenu::quit);

    // Made after the menu: with startImmediately the window opens in here, and the first item
    // must read "Stop Live Subtitles" from the start.
    m_model = std::make_unique<AppMenuModel>(
        [this] { return std::make_unique<SubtitleOverlayWindowModel>(m_services); });
    connect(m_model.get(), &AppMenuModel::isListeningChanged, this, &AppMenu::updateStartStop);
    connect(&SettingsStore::shared(), &SettingsStore::changed, this, &AppMenu::updatePickers);
    updateStartStop();
    updatePickers();
    makeTrayIcon();
    loadSupportedLanguages();
}

AppMenu::~AppMenu() = default;

void AppMenu::makeTrayIcon()
{
    m_trayIcon = new QSystemTrayIcon(QIcon(u":/VoxlumeCore/icons/voxlume.svg"_s), this);
    m_trayIcon->setToolTip(u"Voxlume"_s);
    m_trayIcon->setContextMenu(m_menu.get());
    // The context menu answers the right button; the left one opens the same menu.
    connect(m_trayIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::MiddleClick)
                    m_menu->popup(QCursor::pos());
            });
    m_trayIcon->show();
    if (QSystemTrayIcon::isSystemTrayAvailable())
        return;
    // A tray that starts with the session may come up a moment after the program.
    QTimer::singleShot(trayGraceMs, this, [this] {
        if (!QSystemTrayIcon::isSystemTrayAvailable())
            Q_EMIT trayUnavailable();
    });
}

QCoro::Task<> AppMenu::loadSupportedLanguages()
{
    const QPointer<AppMenu> self(this);
    const std::shared_ptr<TranslationService> service = m_services.translation;
    QList<Language> languages = co_await service->supportedLanguages();
    if (!self)
        co_return;
    QCollator collator;
    const QStringList names = LanguageLabels::of(languages);
    QList<std::pair<QString, Language>> labelled;
    for (qsizetype i = 0; i < languages.size(); ++i)
        labelled.append({names.at(i), languages.at(i)});
    std::stable_sort(labelled.begin(), labelled.end(), [&](const auto &a, const auto &b) {
        return collator.compare(a.first, b.first) < 0;
    });
    m_supportedLanguages.clear();
    m_labels.clear();
    for (const auto &[name, language] : std::as_const(labelled)) {
        m_labels.append(name);
        m_supportedLanguages.append(language);
    }
    buildPickers();
    Q_EMIT supportedLanguagesLoaded();
}

void AppMenu::buildPickers()
{
    const auto build = [this](QMenu *picker, const SettingsKey<Language> &key, bool spoken) {
        picker->clear();
        auto *group = new QActionGroup(picker);
        group->setExclusive(true);
        for (qsizetype i = 0; i < m_supportedLanguages.size(); ++i) {
            const Language &language = m_supportedLanguages.at(i);
            QAction *entry = picker->addAction(m_labels.at(i));
            entry->setCheckable(true);
            entry->setData(language.rawValue());
            group->addAction(entry);
            if (spoken && !m_services.hasSpeechModel(language)) {
                entry->setEnabled(false);
                entry->setToolTip(tr("No speech model for this language is installed."));
            }
            connect(entry, &QAction::triggered, this,
                    [key, language] { Setting(key).setValue(language); });
        }
    };
    build(m_spokenMenu, SettingsKeys::selectedFromLanguage, true);
    build(m_translatedMenu, SettingsKeys::selectedToLanguage, false);
    m_markedFrom.reset();
    updatePickers();
}

void AppMenu::updatePickers()
{
    const Language from = Setting(SettingsKeys::selectedFromLanguage).value();
    const Language to = Setting(SettingsKeys::selectedToLanguage).value();
    for (QAction *entry : m_spokenMenu->actions())
        entry->setChecked(languageOf(entry) == from);
    for (QAction *entry : m_translatedMenu->actions())
        entry->setChecked(languageOf(entry) == to);
    if (from != m_markedFrom)
        markTranslations();
    const QSignalBlocker quiet(m_clickThrough);
    m_clickThrough->setChecked(Setting(SettingsKeys::overlayClickThrough).value());
}

void AppMenu::markTranslations()
{
    const Language from = Setting(SettingsKeys::selectedFromLanguage).value();
    m_markedFrom = from;
    const QList<QAction *> entries = m_translatedMenu->actions();
    const QList<TranslationService::Status> statuses =
        m_services.translation->statuses(from, m_supportedLanguages);
    const qsizetype fromIndex = m_supportedLanguages.indexOf(from);
    const QString fromLabel =
        fromIndex >= 0 ? m_labels.at(fromIndex) : from.displayName().value_or(from.rawValue());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        QAction *entry = entries.at(i);
        QString text = m_labels.at(i);
        QString tip;
        const bool same = m_supportedLanguages.at(i) == from;
        const TranslationService::Status status = statuses.value(i);
        if (same) {
            text += tr(" (No Translation)");
        } else if (status == TranslationService::Status::Supported) {
            text += tr(" — will be installed");
            tip =
                tr("The translation from %1 is installed when the subtitles start.").arg(fromLabel);
        } else if (status == TranslationService::Status::Unsupported) {
            tip = tr("Not available from %1 on this computer.").arg(fromLabel);
        }
        entry->setText(text);
        entry->setToolTip(tip);
        entry->setEnabled(same || status != TranslationService::Status::Unsupported);
    }
}

void AppMenu::updateStartStop()
{
    m_startStop->setText(m_model->isListening() ? tr("Stop Live Subtitles")
                                                : tr("Start Live Subtitles"));
}

void AppMenu::startOrStop()
{
    if (!m_model->isListening()) {
        m_model->startLiveSubtitles();
        Setting(SettingsKeys::isOnboardingComplete).setValue(true);
        return;
    }
    if (SubtitleWindow *window = m_model->subtitleWindow())
        window->close();
    m_model->setSubtitleWindow(nullptr);
}

void AppMenu::setOpenWindowHandler(OpenWindow handler)
{
    m_openWindow = std::move(handler);
    m_model->setLanguageSettingsAction([this] { openWindow(u"languages"_s); });
}

void AppMenu::openWindow(const QString &identifier)
{
    if (m_openWindow)
        m_openWindow(identifier);
}

void AppMenu::quit()
{
    if (const QPointer<SubtitleWindow> window = m_model->subtitleWindow()) {
        startOrStop();
        // Now rather than on a later turn, which never comes once the loop has quit: a run that
        // never started listening ends its empty transcript only as it goes.
        delete window;
    }
    QCoreApplication::quit();
}
