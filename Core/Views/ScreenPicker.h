// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>

/// The choice of the screen the subtitles show on: each connected screen by the window system's
/// name for it and its resolution ("HDMI-1 (1920×1080)"), and a chosen screen that is not
/// connected, so that the choice is not lost from sight while the subtitles show on the primary
/// screen.
///
/// It follows screens as they are plugged in and out and change resolution. Main thread.
class ScreenPicker : public QComboBox
{
    Q_OBJECT

public:
    /// The connected screens, with the primary one shown as chosen.
    explicit ScreenPicker(QWidget *parent = nullptr);

    /// The name of the screen shown as chosen.
    QString choice() const { return currentData().toString(); }
    /// Shows the screen named \a name as chosen: the primary screen for an empty name, and an
    /// entry of its own for a screen that is not connected.
    void setChoice(const QString &name);

private:
    void watch(QScreen *screen);
    void fill();

    QString m_chosen;
};
