// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Platform/Windows/DesktopEnvironment.h"

#include <QWidget>

class QAction;
class QMenu;
class QPushButton;
class QVBoxLayout;

/// The first-run window's content: a welcome, and the tray icon to click, named where the desktop
/// shows it in the desktop's own words, since the program has no main window to find it by; or, on
/// a desktop without a tray, the menu's commands themselves.
///
/// It changes no setting. Escape closes the welcome, but not the menu, whose window is the only
/// way left to reach the program. Main thread.
class OnboardingView : public QWidget
{
    Q_OBJECT

public:
    explicit OnboardingView(QWidget *parent = nullptr);

    /// The texts on either side of the icon in \a instruction, split at "%@". A translation
    /// without the placeholder gives its text once, before the icon.
    static QStringList instructionPieces(const QString &instruction);

    /// Replaces the tray instruction with a button for each of \a menu's commands, which follow
    /// the commands' texts and states; a submenu's button opens it.
    void offerMenu(QMenu *menu);
    /// Whether the menu's commands are offered.
    bool isOfferingMenu() const { return m_isOfferingMenu; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QWidget *makeInstruction();
    /// Where to click, in the words of the desktop at \a place.
    static QString instructionText(DesktopEnvironment::TrayPlace place);
    QWidget *makeMenuPanel(QMenu *menu);
    /// A button that stands for \a action, and follows its text and state.
    static QPushButton *commandButton(QAction *action, QWidget *parent);

    QVBoxLayout *m_column;
    QWidget *m_instruction;
    bool m_isOfferingMenu = false;
};
