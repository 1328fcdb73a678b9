// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QGuiApplication>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QRect>
#include <QScreen>
#include <qpa/qplatformnativeinterface.h>
#include <qpa/qwindowsysteminterface.h>

/// The monitors of the offscreen platform, plugged in, unplugged and resized by a test as a user
/// would, through the platform's own configuration call: Qt then tells of screens added and
/// removed as it does on a desktop. Main thread.
class OffscreenScreens
{
public:
    struct Screen
    {
        QString name;
        QRect geometry;
    };

    /// Connects exactly \a screens. The platform lists them in the order of their names, and Qt
    /// takes the first as the primary one. False off the offscreen platform.
    static bool set(const QList<Screen> &screens)
    {
        QPlatformNativeInterface *native = QGuiApplication::platformNativeInterface();
        void *configure =
            native ? native->nativeResourceForIntegration("setConfiguration") : nullptr;
        if (!configure)
            return false;
        QJsonArray list;
        QHash<QString, QRect> wanted;
        for (const Screen &screen : screens) {
            wanted.insert(screen.name, screen.geometry);
            list.append(QJsonObject{{QStringLiteral("name"), screen.name},
                                    {QStringLiteral("x"), screen.geometry.x()},
                                    {QStringLiteral("y"), screen.geometry.y()},
                                    {QStringLiteral("width"), screen.geometry.width()},
                                    {QStringLiteral("height"), screen.geometry.height()},
                                    {QStringLiteral("logicalDpi"), 96},
                                    {QStringLiteral("logicalBaseDpi"), 96},
                                    {QStringLiteral("dpr"), 1}});
        }
        // The platform resizes a screen it keeps without telling Qt, as a new resolution would.
        QList<QScreen *> resized;
        for (QScreen *screen : QGuiApplication::screens()) {
            if (wanted.contains(screen->name()) && wanted[screen->name()] != screen->geometry())
                resized.append(screen);
        }
        using Configure = void (*)(const QJsonObject &, QPlatformNativeInterface *);
        reinterpret_cast<Configure>(configure)(QJsonObject{{QStringLiteral("screens"), list}},
                                               native);
        for (QScreen *screen : resized) {
            const QRect geometry = wanted[screen->name()];
            QWindowSystemInterface::handleScreenGeometryChange(screen, geometry, geometry);
        }
        QWindowSystemInterface::flushWindowSystemEvents();
        return true;
    }

    /// The one screen the offscreen platform starts with.
    static bool reset() { return set({{QString(), QRect(0, 0, 800, 800)}}); }

    /// The connected screen called \a name, or null.
    static QScreen *named(const QString &name)
    {
        for (QScreen *screen : QGuiApplication::screens()) {
            if (screen->name() == name)
                return screen;
        }
        return nullptr;
    }
};
