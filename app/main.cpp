// SPDX-License-Identifier: GPL-3.0-or-later
#include "Base/Localization.h"
#include "CaptionsInterface.h"
#include "CommandLine.h"
#include "Platform/Windows/WindowSystem.h"
#include "ProgramServices.h"
#include "SingleInstance.h"
#include "VoxlumeApp.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

void nameApplication()
{
    QCoreApplication::setApplicationName(u"Voxlume"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(VOXLUME_APP_VERSION));
}

QStringList argumentsOf(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

// Without one, the application object could not start, and a wrong command would end in a
// complaint about the display rather than about the command.
bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

// Help and the version are read in a terminal, which may have no display.
int printAnswer(int argc, char *argv[])
{
    const QCoreApplication application(argc, argv);
    nameApplication();
    Localization::install();
    return CommandLine(QCoreApplication::arguments()).print();
}

} // namespace

int main(int argc, char *argv[])
{
    // The raw arguments may hold Qt's own options, which only the application object knows: a
    // command that seems wrong is judged again once it has taken them out.
    const CommandLine rawCommandLine(argumentsOf(argc, argv));
    if (rawCommandLine.asksForHelpOrVersion() || (rawCommandLine.onlyPrints() && !hasDisplay()))
        return printAnswer(argc, argv);

    // Wayland lets no window stay on top or place itself; the subtitles need both.
    WindowSystem::choosePlatform();

    QApplication application(argc, argv);
    nameApplication();
    QApplication::setApplicationDisplayName(u"Voxlume"_s);
    // Lets the desktop match the program's windows to its launcher entry and icon.
    QApplication::setDesktopFileName(QStringLiteral(VOXLUME_APP_ID));
    QApplication::setWindowIcon(QIcon(u":/VoxlumeCore/icons/voxlume.svg"_s));
    // A tray program: closing its last window does not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    Localization::install();

    // Qt has taken its own options out of the arguments by now.
    const CommandLine commandLine(QApplication::arguments());
    if (commandLine.onlyPrints())
        return commandLine.print();
    SingleInstance instance;
    const SingleInstance::Claim claim =
        instance.claim(commandLine.toggle() ? SingleInstance::Request::ToggleLiveSubtitles
                                            : SingleInstance::Request::Activate);
    switch (claim) {
    case SingleInstance::Claim::HandedOver:
        return 0;
    case SingleInstance::Claim::Failed:
        std::fprintf(stderr, "%s\n",
                     qUtf8Printable(VoxlumeApp::tr("Voxlume runs already, but could not be "
                                                   "reached: %1")
                                        .arg(instance.error())));
        return 1;
    case SingleInstance::Claim::First:
    case SingleInstance::Claim::NoSessionBus:
        break;
    }

    if (!VoxlumeApp::openStore())
        return 1;
    VoxlumeApp app(programServices());
    QObject::connect(&instance, &SingleInstance::activateRequested, &app, &VoxlumeApp::activate);
    QObject::connect(&instance, &SingleInstance::toggleRequested, &app,
                     &VoxlumeApp::toggleLiveSubtitles);
    // The instance's child, as an adaptor must be.
    if (claim == SingleInstance::Claim::First)
        new CaptionsInterface(instance, app.subtitleWindows());
    if (commandLine.toggle())
        app.startLiveSubtitles();
    const int status = QApplication::exec();
    app.keepUnsavedTranscripts();
    return status;
}
