// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowSystem.h"

#include <QGuiApplication>

namespace {

// Qt tries the platforms in turn: an X server that cannot be reached is no longer fatal.
constexpr char preferredPlatforms[] = "xcb;wayland";

bool s_platformChosenHere = false;

} // namespace

void WindowSystem::choosePlatform()
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return;
    qputenv("QT_QPA_PLATFORM", preferredPlatforms);
    s_platformChosenHere = true;
}

WindowSystem::WaylandReason WindowSystem::waylandReason()
{
    if (!QGuiApplication::platformName().startsWith(u"wayland"))
        return WaylandReason::None;
    return s_platformChosenHere ? WaylandReason::NoXServer : WaylandReason::ChosenByUser;
}
