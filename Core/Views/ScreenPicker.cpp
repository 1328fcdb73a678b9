// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScreenPicker.h"

#include <QGuiApplication>
#include <QScreen>

ScreenPicker::ScreenPicker(QWidget *parent)
    : QComboBox(parent)
{
    setAccessibleName(tr("Screen"));
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    for (QScreen *screen : QGuiApplication::screens())
        watch(screen);
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this](QScreen *screen) {
        watch(screen);
        fill();
    });
    // The list of screens no longer holds the one that goes.
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &ScreenPicker::fill);
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, &ScreenPicker::fill);
    fill();
}

void ScreenPicker::setChoice(const QString &name)
{
    m_chosen = name;
    fill();
}

void ScreenPicker::watch(QScreen *screen)
{
    connect(screen, &QScreen::geometryChanged, this, &ScreenPicker::fill);
}

void ScreenPicker::fill()
{
    const QSignalBlocker quiet(this);
    clear();
    for (const QScreen *screen : QGuiApplication::screens()) {
        // In the screen's own pixels, as its settings say it, whatever Qt scales.
        const QSize pixels = (QSizeF(screen->size()) * screen->devicePixelRatio()).toSize();
        addItem(tr("%1 (%2×%3)").arg(screen->name()).arg(pixels.width()).arg(pixels.height()),
                screen->name());
    }
    if (!m_chosen.isEmpty() && findData(m_chosen) < 0)
        addItem(tr("%1 (not connected)").arg(m_chosen), m_chosen);
    const QScreen *primary = QGuiApplication::primaryScreen();
    setCurrentIndex(findData(m_chosen.isEmpty() && primary ? primary->name() : m_chosen));
}
