// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

/// What the whole program needs to know of the subtitle overlay: whether it is on screen.
///
/// The transcript history holds back its own translations while the overlay shows, so that the two
/// do not compete for the translator. Main thread.
class AppState : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isOverlayWindowDisplayed READ isOverlayWindowDisplayed WRITE
                   setOverlayWindowDisplayed NOTIFY isOverlayWindowDisplayedChanged)

public:
    /// The instance, made on first use.
    static AppState &shared();

    bool isOverlayWindowDisplayed() const { return m_isOverlayWindowDisplayed; }
    void setOverlayWindowDisplayed(bool displayed);

Q_SIGNALS:
    void isOverlayWindowDisplayedChanged();

private:
    AppState() = default;

    bool m_isOverlayWindowDisplayed = false;
};
