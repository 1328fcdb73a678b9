// SPDX-License-Identifier: GPL-3.0-or-later
// Starts crash reporting into the folder given, leaves two breadcrumbs and crashes: with
// "fatal" through fatalError(), with "button" through the settings window's "Break the world", with
// "segv" through a segmentation fault.

#include "Base/FatalError.h"
#include "Base/Logging.h"
#include "Platform/Audio/ManualAudioEngine.h"
#include "Platform/CrashReporting/SentryClient.h"
#include "Platform/Settings/SettingsStore.h"
#include "Views/SettingsView.h"

#include <QApplication>
#include <QPushButton>

#include <csignal>
#include <cstring>

using namespace Qt::Literals::StringLiterals;

namespace {

void clickBreakTheWorld(int argc, char *argv[])
{
    QApplication application(argc, argv);
    SettingsStore::shared().setBool(u"showCrashButton"_s, true);
    // Nothing is listened to here.
    const SettingsView settings([] { return std::make_unique<ManualAudioEngine>(); });
    for (QPushButton *button : settings.findChildren<QPushButton *>()) {
        if (button->text() == u"Break the world"_s)
            button->click();
    }
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 3)
        return 2;
    Logging log(std::make_unique<SentryClient>(
        SentryOptions{.dsn = *SentryDsn::parse(u"http://key@127.0.0.1:9/5"_s),
                      .inAppIncludes = {u"VoxlumeCore"_s},
                      .release = u"voxlume@test"_s,
                      .clientName = u"voxlume.sentry/test"_s,
                      .cacheDirectory = QString::fromLocal8Bit(argv[1])}));
    log.logBreadcrumb(u"Opening \"settings\""_s, u"Core/SettingsView"_s, u"body"_s, 12);
    log.logBreadcrumb(u"About to crash"_s, u"Core/SettingsView"_s, u"breakTheWorld()"_s, 40);
    if (std::strcmp(argv[2], "fatal") == 0)
        fatalError(u"Break the world"_s);
    if (std::strcmp(argv[2], "button") == 0)
        clickBreakTheWorld(argc, argv);
    std::raise(SIGSEGV);
    return 0;
}
