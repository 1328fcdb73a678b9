// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <functional>

class QLabel;
class QPushButton;

/// What the subtitle overlay shows while the translation it needs is being installed: that it
/// waits, and where the user can follow the installation.
class WaitingPanel : public QWidget
{
    Q_OBJECT

public:
    explicit WaitingPanel(QWidget *parent = nullptr);

    /// What "Open Language Settings" does; without one the button is not offered.
    void setLanguageSettingsAction(std::function<void()> action);

    /// Stops waiting, and says why the translation will not come: \a reason.
    void showFailure(const QString &reason);

private:
    QWidget *m_indicator;
    QLabel *m_title;
    QLabel *m_hint;
    QPushButton *m_settingsButton;
    std::function<void()> m_languageSettings;
};
