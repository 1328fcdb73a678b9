// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class SubtitleOverlayWindowModel;
class SubtitleWindow;
class SwapAccessory;

/// Opens, styles, places and tracks the subtitle window: one run of live subtitles per window.
///
/// It keeps the window's background in step with the transparency setting, its position and screen
/// in step with theirs and with the screens connected, and fills the window's swap control from
/// the language settings. It owns no window: a window lives until it is closed,
/// and the controller only points at it. Main thread.
class AppMenuModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isListening READ isListening NOTIFY isListeningChanged)

public:
    /// Makes the coordinator of each new window's run.
    using OverlayModelFactory = std::function<std::unique_ptr<SubtitleOverlayWindowModel>()>;

    /// A controller whose windows run on what \a makeOverlayModel makes. Opens a window at once
    /// when the setting startImmediately is on.
    explicit AppMenuModel(OverlayModelFactory makeOverlayModel, QObject *parent = nullptr);
    ~AppMenuModel() override;

    /// The open subtitle window, or none.
    SubtitleWindow *subtitleWindow() const;
    /// Points at \a window; listening is whether there is one.
    void setSubtitleWindow(SubtitleWindow *window);
    /// Whether a subtitle window is open.
    bool isListening() const { return m_isListening; }

    /// Opens a new subtitle window, which starts a run. With a window open already (minimised,
    /// say), brings that one back instead.
    void startLiveSubtitles();
    /// Builds, styles and shows a subtitle window.
    SubtitleWindow *makeSubtitleWindow();
    /// Fills \a accessory from the settings: the two language codes in the order the user last
    /// chose, the arrow between them, and whether it shows at all.
    void updateSwapAccessory(SwapAccessory &accessory) const;
    /// Exchanges the spoken and the translation language.
    void swapLanguages();
    /// Asked when the user closes the window: lets it go, and always agrees.
    bool windowShouldClose();
    /// What the windows' "Open Language Settings" does, from the next window on.
    void setLanguageSettingsAction(std::function<void()> action)
    {
        m_openLanguageSettings = std::move(action);
    }

Q_SIGNALS:
    void isListeningChanged();

private:
    void applyTransparency();
    void applyClickThrough();
    /// Floats or docks the window on the chosen screen, or on the primary one while that one is not
    /// connected.
    void applyPosition();

    OverlayModelFactory m_makeOverlayModel;
    std::function<void()> m_openLanguageSettings;
    QPointer<SubtitleWindow> m_subtitleWindow;
    bool m_isListening = false;
};
