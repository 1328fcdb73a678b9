// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesktopEnvironment.h"

#include <QList>
#include <QString>
#include <algorithm>
#include <iterator>
#include <optional>

namespace {

std::optional<DesktopEnvironment::TrayPlace> placeOf(QStringView desktop)
{
    using TrayPlace = DesktopEnvironment::TrayPlace;
    static const QStringView panels[] = {u"XFCE",       u"MATE",     u"LXDE",  u"LXQt",
                                         u"X-Cinnamon", u"Cinnamon", u"Budgie"};
    static const QStringView topBars[] = {u"GNOME", u"Unity"};
    const auto named = [desktop](QStringView name) {
        return desktop.compare(name, Qt::CaseInsensitive) == 0;
    };
    if (std::any_of(std::begin(panels), std::end(panels), named))
        return TrayPlace::Panel;
    if (std::any_of(std::begin(topBars), std::end(topBars), named))
        return TrayPlace::TopBar;
    if (named(u"KDE"))
        return TrayPlace::SystemTray;
    return std::nullopt;
}

} // namespace

DesktopEnvironment::TrayPlace DesktopEnvironment::trayPlace(QStringView currentDesktops)
{
    for (const QStringView desktop : currentDesktops.split(u':', Qt::SkipEmptyParts)) {
        if (const std::optional<TrayPlace> place = placeOf(desktop))
            return *place;
    }
    return TrayPlace::SystemTray;
}

DesktopEnvironment::TrayPlace DesktopEnvironment::trayPlace()
{
    return trayPlace(qEnvironmentVariable("XDG_CURRENT_DESKTOP"));
}
