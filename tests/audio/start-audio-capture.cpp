// SPDX-License-Identifier: GPL-3.0-or-later
// Starts capture once and prints the outcome: "started <device id>", or the error's code and
// description. For the tests that need a process whose first sound server is one of their choice,
// or none.
#include "Platform/Audio/QtAudioEngine.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    const QCoreApplication application(argc, argv);
    QtAudioEngine engine;
    engine.installTap(1024, [](const AudioBufferPtr &) {});
    if (const std::optional<Error> error = engine.start()) {
        std::printf("%lld %s\n", static_cast<long long>(error->code()),
                    error->localizedDescription().toUtf8().constData());
        return 1;
    }
    std::printf("started %s\n", engine.inputDevice().id.toUtf8().constData());
    engine.stop();
    return 0;
}
