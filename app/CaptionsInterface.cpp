// SPDX-License-Identifier: GPL-3.0-or-later
#include "CaptionsInterface.h"

#include "Models/SubtitleOverlayWindowModel.h"
#include "Platform/Settings/SettingsKeys.h"
#include "SingleInstance.h"
#include "Views/AppMenuModel.h"
#include "Views/SubtitleOverlayWindow.h"
#include "Views/SubtitleWindow.h"

#include <QDBusConnection>
#include <QDBusMessage>

using namespace Qt::Literals::StringLiterals;

CaptionsInterface::CaptionsInterface(SingleInstance &instance, AppMenuModel &menu)
    : QDBusAbstractAdaptor(&instance)
    , m_menu(&menu)
    , m_announced(properties())
{
    connect(&menu, &AppMenuModel::isListeningChanged, this, [this] {
        follow();
        announceProperties();
    });
    connect(&SettingsStore::shared(), &SettingsStore::changed, this,
            &CaptionsInterface::announceProperties);
    follow();
}

CaptionsInterface::~CaptionsInterface() = default;

QString CaptionsInterface::interfaceName()
{
    return SingleInstance::serviceName() + u".Captions"_s;
}

bool CaptionsInterface::listening() const
{
    return m_menu && m_menu->isListening();
}

QString CaptionsInterface::spokenLanguage() const
{
    return Setting(SettingsKeys::selectedFromLanguage).value().rawValue();
}

QString CaptionsInterface::translatedLanguage() const
{
    return Setting(SettingsKeys::selectedToLanguage).value().rawValue();
}

void CaptionsInterface::Start()
{
    if (m_menu)
        m_menu->startLiveSubtitles();
}

void CaptionsInterface::Stop()
{
    if (SubtitleWindow *window = m_menu ? m_menu->subtitleWindow() : nullptr)
        window->performClose();
}

CaptionsInterface::Properties CaptionsInterface::properties() const
{
    return {listening(), spokenLanguage(), translatedLanguage()};
}

void CaptionsInterface::follow()
{
    const SubtitleWindow *window = m_menu ? m_menu->subtitleWindow() : nullptr;
    auto *content = window ? qobject_cast<SubtitleOverlayWindow *>(window->contentView()) : nullptr;
    if (!content || content == m_followed)
        return;
    m_followed = content;
    // Until the window is gone, not only while it is the menu's: a closing window still hands on
    // its last cue and its emptied display.
    connect(content, &SubtitleOverlayWindow::displayChanged, this, &CaptionsInterface::sendText);
    connect(content, &SubtitleOverlayWindow::cueFinished, this, &CaptionsInterface::sendCue);
    // What the window showed before it was followed: nothing, unless it was a while in the making.
    sendText(content->displayedText(), content->displayedTranslation());
}

void CaptionsInterface::sendText(const QString &source, const QString &translation)
{
    // A new window starts empty, as the one before ended.
    if (source == m_sentSource && translation == m_sentTranslation)
        return;
    m_sentSource = source;
    m_sentTranslation = translation;
    Q_EMIT TextChanged(source, translation);
}

void CaptionsInterface::sendCue(const CaptionCue &cue)
{
    Q_EMIT CueFinished(cue.start, cue.end, cue.text, cue.translation.value_or(QString()));
}

void CaptionsInterface::announceProperties()
{
    const Properties now = properties();
    QVariantMap changed;
    if (now.listening != m_announced.listening)
        changed.insert(u"Listening"_s, now.listening);
    if (now.spokenLanguage != m_announced.spokenLanguage)
        changed.insert(u"SpokenLanguage"_s, now.spokenLanguage);
    if (now.translatedLanguage != m_announced.translatedLanguage)
        changed.insert(u"TranslatedLanguage"_s, now.translatedLanguage);
    m_announced = now;
    if (changed.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(
        SingleInstance::objectPath(), u"org.freedesktop.DBus.Properties"_s, u"PropertiesChanged"_s);
    signal << interfaceName() << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}
