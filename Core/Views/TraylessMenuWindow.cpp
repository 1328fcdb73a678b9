// SPDX-License-Identifier: GPL-3.0-or-later
#include "TraylessMenuWindow.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TraylessMenuWindow::TraylessMenuWindow(QMenu *menu, std::function<void()> quit)
    : m_quit(std::move(quit))
{
    setWindowTitle(QStringLiteral("Voxlume"));
    auto *note = new QLabel(
        tr("Your desktop shows no system tray, so Voxlume's menu is here instead."), this);
    note->setWordWrap(true);
    auto *button = new QPushButton(tr("Voxlume Menu"), this);
    button->setMenu(menu);
    button->setDefault(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addWidget(button);
    setMinimumWidth(320);
}

void TraylessMenuWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (m_quit)
        m_quit();
}
