// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppState.h"

AppState &AppState::shared()
{
    static AppState *instance = new AppState;
    return *instance;
}

void AppState::setOverlayWindowDisplayed(bool displayed)
{
    if (m_isOverlayWindowDisplayed == displayed)
        return;
    m_isOverlayWindowDisplayed = displayed;
    Q_EMIT isOverlayWindowDisplayedChanged();
}
