// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppMenuModel.h"

#include "Models/SubtitleOverlayWindowModel.h"
#include "Platform/Settings/AppSettings.h"
#include "Platform/Settings/SettingsKeys.h"
#include "SubtitleOverlayWindow.h"
#include "SubtitleWindow.h"
#include "SwapAccessory.h"

#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QScreen>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr double firstTransparency = 0.2;
// The background of a new window until the transparency setting is applied.
constexpr double initialAlpha = 0.2;

QColor black(double alpha)
{
    QColor color(Qt::black);
    color.setAlphaF(float(std::clamp(alpha, 0.0, 1.0)));
    return color;
}

/// The first two letters of the language code, upper-cased: what fits the title strip.
QString code(const Language &language)
{
    return language.languageCode().value_or(QString()).left(2).toUpper();
}

QString encode(const QRect &rect)
{
    return u"%1,%2,%3,%4"_s.arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height());
}

QRect decode(const QString &text)
{
    const QStringList parts = text.split(u',');
    if (parts.size() != 4)
        return {};
    std::array<int, 4> values{};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[size_t(i)] = parts[i].trimmed().toInt(&ok);
        if (!ok)
            return {};
    }
    return {values[0], values[1], values[2], values[3]};
}

QScreen *chosenScreen()
{
    const QString name = Setting(SettingsKeys::overlayScreen).value();
    const QList<QScreen *> screens = QGuiApplication::screens();
    const auto named = std::find_if(screens.begin(), screens.end(), [&](const QScreen *screen) {
        return !name.isEmpty() && screen->name() == name;
    });
    return named != screens.end() ? *named : QGuiApplication::primaryScreen();
}

} // namespace

AppMenuModel::AppMenuModel(OverlayModelFactory makeOverlayModel, QObject *parent)
    : QObject(parent)
    , m_makeOverlayModel(std::move(makeOverlayModel))
{
    // Ends with the controller, as Qt drops a connection when its receiver goes.
    connect(&SettingsStore::shared(), &SettingsStore::changed, this, [this] {
        applyTransparency();
        applyClickThrough();
        applyPosition();
    });
    // The chosen screen unplugged, the window goes to the primary one; plugged in again, back.
    connect(qGuiApp, &QGuiApplication::screenAdded, this, &AppMenuModel::applyPosition);
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &AppMenuModel::applyPosition);
    // Without a chosen screen, the window is on whichever one the user makes the primary.
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, &AppMenuModel::applyPosition);
    if (Setting(SettingsKeys::startImmediately).value())
        startLiveSubtitles();
}

AppMenuModel::~AppMenuModel() = default;

SubtitleWindow *AppMenuModel::subtitleWindow() const
{
    return m_subtitleWindow;
}

void AppMenuModel::setSubtitleWindow(SubtitleWindow *window)
{
    m_subtitleWindow = window;
    const bool listening = window != nullptr;
    if (std::exchange(m_isListening, listening) != listening)
        Q_EMIT isListeningChanged();
}

void AppMenuModel::startLiveSubtitles()
{
    if (m_subtitleWindow) {
        m_subtitleWindow->showNormal();
        m_subtitleWindow->raise();
        m_subtitleWindow->activateWindow();
        return;
    }
    setSubtitleWindow(makeSubtitleWindow());
    Setting transparency(SettingsKeys::windowTransparency);
    if (!transparency.isStored())
        transparency.setValue(firstTransparency);
    Setting showSwapButton(SettingsKeys::showLanguageSwapButton);
    if (!showSwapButton.isStored())
        showSwapButton.setValue(true);
}

SubtitleWindow *AppMenuModel::makeSubtitleWindow()
{
    auto *content = new SubtitleOverlayWindow(m_makeOverlayModel());
    content->setLanguageSettingsAction(m_openLanguageSettings);
    auto *window = new SubtitleWindow(content);
    window->setPosition(Setting(SettingsKeys::overlayPosition).value(), chosenScreen());
    window->place(decode(Setting(SettingsKeys::overlayWindowGeometry).value()));
    window->setPreferredHeight(content->preferredHeight());
    connect(content, &SubtitleOverlayWindow::preferredHeightChanged, window,
            &SubtitleWindow::setPreferredHeight);
    window->setShouldCloseHandler([this] { return windowShouldClose(); });
    connect(window, &SubtitleWindow::closing, content, [window, content] {
        // Docked, the window keeps where it floated before, whatever state the strip is in.
        if (window->position() != SubtitlePosition::Floating ||
            (!window->isMaximized() && !window->isMinimized()))
            Setting(SettingsKeys::overlayWindowGeometry)
                .setValue(encode(window->floatingGeometry()));
        content->disappear();
    });
    // A window that goes by any other way (the program ending, say) is no longer listening.
    connect(window, &QObject::destroyed, this, [this] {
        if (!m_subtitleWindow)
            setSubtitleWindow(nullptr);
    });

    auto *accessory = new SwapAccessory;
    connect(accessory->button(), &QToolButton::clicked, this, &AppMenuModel::swapLanguages);
    // Dropped with the accessory, so a closed window's views are never refreshed.
    connect(&SettingsStore::shared(), &SettingsStore::changed, accessory,
            [this, accessory] { updateSwapAccessory(*accessory); });
    updateSwapAccessory(*accessory);
    window->setTitleAccessory(accessory);

    m_subtitleWindow = window;
    // Without waiting for a settings change: a window of a later start would otherwise keep the
    // first alpha until the user touched a setting.
    applyTransparency();
    applyClickThrough();
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void AppMenuModel::applyTransparency()
{
    if (!m_subtitleWindow)
        return;
    // Lines with boxes of their own need no window behind them.
    if (Setting(SettingsKeys::subtitleBackground).value() == u"lineBoxes"_s) {
        m_subtitleWindow->setBackgroundColor(Qt::transparent);
        return;
    }
    const Setting transparency(SettingsKeys::windowTransparency);
    m_subtitleWindow->setBackgroundColor(
        black(transparency.isStored() ? 1.0 - transparency.value() : initialAlpha));
}

void AppMenuModel::applyClickThrough()
{
    if (m_subtitleWindow)
        m_subtitleWindow->setClickThrough(Setting(SettingsKeys::overlayClickThrough).value());
}

void AppMenuModel::applyPosition()
{
    if (m_subtitleWindow)
        m_subtitleWindow->setPosition(Setting(SettingsKeys::overlayPosition).value(),
                                      chosenScreen());
}

void AppMenuModel::updateSwapAccessory(SwapAccessory &accessory) const
{
    const bool swapped = Setting(SettingsKeys::isLanguageOrderSwappedInInterface).value();
    QToolButton *button = accessory.button();
    button->setIcon(QIcon(swapped ? u":/VoxlumeCore/icons/arrow-left-circle.svg"_s
                                  : u":/VoxlumeCore/icons/arrow-right-circle.svg"_s));
    const Language from = AppSettings::shared().selectedFromLanguage();
    const Language to = AppSettings::shared().selectedToLanguage();
    accessory.leftLabel()->setText(code(swapped ? to : from));
    accessory.rightLabel()->setText(code(swapped ? from : to));
    // A plain read: a key that is absent hides the control.
    accessory.setVisible(
        SettingsStore::shared().boolValue(SettingsKeys::showLanguageSwapButton.key()));
}

void AppMenuModel::swapLanguages()
{
    AppSettings::shared().swapLanguages();
}

bool AppMenuModel::windowShouldClose()
{
    setSubtitleWindow(nullptr);
    return true;
}
