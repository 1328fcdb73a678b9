// SPDX-License-Identifier: GPL-3.0-or-later
// Starts capture once and prints the error's code, or 0 once started: for the tests that need a
// process whose first sound server is one of their choice, or none. With the argument "prepared",
// the start waits for prepareToStart() first, as listening does.
#include "Platform/Audio/QtAudioEngine.h"

#include <QCoreApplication>
#include <QFutureWatcher>
#include <cstdio>

namespace {

int start(QtAudioEngine &engine)
{
    const std::optional<Error> error = engine.start();
    std::printf("%lld\n", error ? static_cast<long long>(error->code()) : 0LL);
    return error ? 1 : 0;
}

} // namespace

int main(int argc, char *argv[])
{
    const QCoreApplication application(argc, argv);
    QtAudioEngine engine;
    engine.installTap(1024, [](const AudioBufferPtr &) {});
    if (QCoreApplication::arguments().value(1) != QStringLiteral("prepared"))
        return start(engine);
    QFutureWatcher<void> preparation;
    QObject::connect(&preparation, &QFutureWatcher<void>::finished, &application,
                     [&engine] { QCoreApplication::exit(start(engine)); });
    preparation.setFuture(engine.prepareToStart());
    return QCoreApplication::exec();
}
