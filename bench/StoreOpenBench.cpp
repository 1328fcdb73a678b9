// SPDX-License-Identifier: GPL-3.0-or-later
// What opening a large transcript store costs the main thread, which the program's tray icon and
// the subtitles of --toggle wait for: a store of 20,000 runs of 50,000 characters (about 1 GB) is
// filled, then opened in turn
//   - checked at once: the whole file read before open() returns, as the command-line tool does;
//   - checked in the background, as the program does: the time open() holds the main thread, and
//     the time until the check has passed and the store takes writes.
// The page cache is dropped before each opening where that is allowed (root), so that the file
// comes from the disk as after a reboot. The store is kept at PATH when one is given, for
// bench/desktop-figures, and filled only when it is not there yet.
//   build/bench/voxlume-bench-store-open [PATH]

#include "FilledStore.h"
#include "Percentile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int runs = 20'000;
constexpr qsizetype textLength = 50'000;
constexpr int openings = 5;

/// Drops the page cache; whether that was allowed.
bool dropPageCache()
{
    ::sync();
    QFile drop(u"/proc/sys/vm/drop_caches"_s);
    return drop.open(QIODevice::WriteOnly) && drop.write("3") == 1;
}

double millisecondsOf(const QElapsedTimer &clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

void printFigure(const char *name, const QList<double> &values)
{
    std::printf("  %-52s median %7.1f ms, worst %7.1f ms\n", name, percentile(values, 0.5),
                percentile(values, 1.0));
}

} // namespace

int main(int argc, char *argv[])
{
    const QCoreApplication application(argc, argv);
    QTemporaryDir folder;
    const QString path =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : folder.filePath(u"Transcripts.sqlite"_s);
    if (!QFileInfo::exists(path)) {
        std::printf("Filling %s with %d runs of %lld characters…\n", qUtf8Printable(path), runs,
                    qlonglong(textLength));
        std::fflush(stdout);
        fillStore(path, runs, textLength);
    }
    bool cold = true;
    QList<double> atOnce, mainThread, checked;
    for (int opening = 0; opening < openings; ++opening) {
        cold = dropPageCache() && cold;
        QElapsedTimer clock;
        clock.start();
        openStoreOrExit(path);
        atOnce << millisecondsOf(clock);

        cold = dropPageCache() && cold;
        clock.start();
        const std::unique_ptr<ModelContainer> store =
            openStoreOrExit(path, ModelContainer::Check::InBackground);
        mainThread << millisecondsOf(clock);
        bool passed = false;
        QObject::connect(store.get(), &ModelContainer::checkPassed, [&] { passed = true; });
        while (!passed && !store->checkError())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (store->checkError()) {
            std::fprintf(stderr, "%s\n", qUtf8Printable(store->checkError()->description()));
            return 1;
        }
        checked << millisecondsOf(clock);
    }
    std::printf("Opening a store of %.0f MB, %s page cache, %d openings each:\n",
                double(QFileInfo(path).size()) / 1e6, cold ? "cold" : "warm", openings);
    printFigure("checked at once: main thread", atOnce);
    printFigure("checked in the background: main thread", mainThread);
    printFigure("checked in the background: until it takes writes", checked);
    return 0;
}
