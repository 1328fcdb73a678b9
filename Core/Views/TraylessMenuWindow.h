// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <functional>

class QMenu;

/// A small ordinary window that offers the tray menu where the desktop has no system tray (plain
/// GNOME, say), so the program can still be used there.
///
/// Closing it ends the program, since nothing else would be left to reach it by.
class TraylessMenuWindow : public QWidget
{
    Q_OBJECT

public:
    /// Offers \a menu; \a quit ends the program.
    TraylessMenuWindow(QMenu *menu, std::function<void()> quit);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    std::function<void()> m_quit;
};
