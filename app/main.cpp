// SPDX-License-Identifier: GPL-3.0-or-later
#include "Localization.h"
#include "Logging.h"

#include <QApplication>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char *argv[])
{
    // Wayland lets no window stay on top or place itself; the subtitles need both.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");

    QApplication application(argc, argv);
    QApplication::setApplicationName(u"Voxlume"_s);
    QApplication::setApplicationVersion(QStringLiteral(VOXLUME_APP_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);
    Localization::install();

    VOXLUME_BREADCRUMB(u"Voxlume started"_s, u"main()"_s);
    return 0;
}
