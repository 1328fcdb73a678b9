// SPDX-License-Identifier: GPL-3.0-or-later
#include "Localization.h"
#include "VoxlumeApp.h"

#include <QApplication>
#include <QIcon>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char *argv[])
{
    // Wayland lets no window stay on top or place itself; the subtitles need both.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");

    QApplication application(argc, argv);
    QApplication::setApplicationName(u"Voxlume"_s);
    QApplication::setApplicationDisplayName(u"Voxlume"_s);
    QApplication::setApplicationVersion(QStringLiteral(VOXLUME_APP_VERSION));
    QApplication::setWindowIcon(QIcon(u":/VoxlumeCore/icons/voxlume.svg"_s));
    // A tray program: closing its last window does not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    Localization::install();

    const VoxlumeApp app;
    return QApplication::exec();
}
