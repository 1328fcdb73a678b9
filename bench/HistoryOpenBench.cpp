// SPDX-License-Identifier: GPL-3.0-or-later
// What the transcript history window costs on a long history: stores of 1,000 and 10,000 runs of
// 10,000 characters each are filled, then, each in a fresh process,
//   - opening the window, from nothing to its list painted: the time, the peak of resident memory
//     above what the process held before, and the growth of its proportional set size;
//   - a search by one word that no run holds, so that every text is read;
//   - from a save through another connection (as voxlume-transcribe's would be) to the new row
//     painted in the open window.
// Translation is faked, so that only the window and the store are measured. Run it offscreen, or
// on a real X display such as the test desktop:
//   build/bench/voxlume-bench-history
//   scripts/desktop build/bench/voxlume-bench-history

#include "FakeTranslationService.h"
#include "FilledStore.h"
#include "Models/TranscriptHistoryModel.h"
#include "Percentile.h"
#include "Views/TranscriptHistoryView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qsizetype textLength = 10'000;
constexpr int liveRounds = 20;

/// A figure of /proc/self/\a file in kB, such as "VmHWM:" of status or "Pss:" of smaps_rollup.
qint64 kilobytes(const QString &file, const QByteArray &field)
{
    QFile proc(u"/proc/self/"_s + file);
    if (!proc.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : proc.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

/// Lets the peak of resident memory start again from what is resident now.
void resetPeakMemory()
{
    QFile clearRefs(u"/proc/self/clear_refs"_s);
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5");
}

/// Waits for the next paint of \a widget, and the turn of the loop after it.
void waitForPaint(QWidget *widget)
{
    struct Watch : QObject
    {
        bool painted = false;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint)
                QTimer::singleShot(0, this, [this] { painted = true; });
            return false;
        }
    } watch;
    widget->installEventFilter(&watch);
    while (!watch.painted)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    widget->removeEventFilter(&watch);
}

/// Opens the window on the store at \a path and prints what it cost.
void measure(const QString &path, int count)
{
    QElapsedTimer clock;
    clock.start();
    const std::unique_ptr<ModelContainer> store = openStoreOrExit(path);
    const double storeOpening = double(clock.nsecsElapsed()) / 1e6;

    const qint64 rssBefore = kilobytes(u"status"_s, "VmRSS:");
    const qint64 pssBefore = kilobytes(u"smaps_rollup"_s, "Pss:");
    resetPeakMemory();
    clock.start();
    TranscriptHistoryView view(std::make_unique<TranscriptHistoryModel>(
        *store, std::make_shared<FakeTranslationService>()));
    view.resize(600, 200);
    view.show();
    waitForPaint(view.list()->viewport());
    const double opening = double(clock.nsecsElapsed()) / 1e6;
    const qint64 peak = kilobytes(u"status"_s, "VmHWM:") - rssBefore;
    const qint64 pss = kilobytes(u"smaps_rollup"_s, "Pss:") - pssBefore;
    if (view.list()->model()->rowCount() != count)
        std::fprintf(stderr, "the list shows %d rows, not %d\n", view.list()->model()->rowCount(),
                     count);

    // The longest the main thread went without its 5 ms tick while the search ran: what a user
    // typing into the field would feel.
    QElapsedTimer sinceTick;
    double stall = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        stall = std::max(stall, double(sinceTick.nsecsElapsed()) / 1e6);
        sinceTick.start();
    });
    tick.start(5);
    sinceTick.start();
    clock.start();
    view.searchField()->setText(u"xylophone"_s);
    while (view.list()->model()->rowCount() > 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double search = double(clock.nsecsElapsed()) / 1e6;
    stall = std::max(stall, double(sinceTick.nsecsElapsed()) / 1e6);
    tick.stop();
    view.searchField()->clear();
    while (view.list()->model()->rowCount() < count)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

    // Another connection to the same file: what the window sees of another process's save.
    const std::unique_ptr<ModelContainer> elsewhere = openStoreOrExit(path);
    QList<double> arrivals;
    for (int round = 0; round < liveRounds; ++round) {
        ModelContext context(*elsewhere);
        context.insert(benchRun(prose(textLength, *QRandomGenerator::global()),
                                QDateTime::currentDateTimeUtc().addSecs(3600 + round)));
        saveOrExit(context);
        clock.start();
        const int rows = view.list()->model()->rowCount();
        while (view.list()->model()->rowCount() == rows)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        waitForPaint(view.list()->viewport());
        arrivals << double(clock.nsecsElapsed()) / 1e6;
        // Apart, so that each save is a burst of its own.
        QElapsedTimer pause;
        pause.start();
        while (pause.elapsed() < 300)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    std::printf("%8d %12.0f %14.1f %14lld %14lld %12.1f %14.1f %14.1f %14.1f\n", count,
                storeOpening, opening, peak / 1024, pss / 1024, search, stall,
                percentile(arrivals, 0.5), percentile(arrivals, 1.0));
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 4 && argv[1] == "--fill"_ba) {
        const QCoreApplication application(argc, argv);
        fillStore(QString::fromLocal8Bit(argv[2]), atoi(argv[3]), textLength);
        return 0;
    }
    if (argc == 4 && argv[1] == "--open"_ba) {
        if (qEnvironmentVariableIsEmpty("DISPLAY") &&
            qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication application(argc, argv);
        measure(QString::fromLocal8Bit(argv[2]), atoi(argv[3]));
        return 0;
    }
    const QCoreApplication application(argc, argv);
    QTemporaryDir home;
    // The windows' settings go to a folder of the benchmark's own, not the user's.
    qputenv("XDG_CONFIG_HOME", home.filePath(u"config"_s).toLocal8Bit());
    std::printf("The history window on stores of runs of %lld characters, in %s; each opening in a "
                "fresh process, translation faked\n",
                qlonglong(textLength), qUtf8Printable(home.path()));
    std::printf("%8s %12s %14s %14s %14s %12s %14s %14s %14s\n", "runs", "store ms", "to list ms",
                "peak RSS MiB", "PSS MiB", "search ms", "search stall", "save->row p50",
                "save->row max");
    std::fflush(stdout);
    const QString self = QCoreApplication::applicationFilePath();
    for (const int count : {1'000, 10'000}) {
        const QString path = home.filePath(u"%1/Transcripts.sqlite"_s.arg(count));
        if (QProcess::execute(self, {u"--fill"_s, path, QString::number(count)}) != 0 ||
            QProcess::execute(self, {u"--open"_s, path, QString::number(count)}) != 0)
            return 1;
    }
    std::printf("store ms: opening the store, which the program does at its start; to list ms: "
                "from making the window to its list painted;\npeak RSS: the peak of resident "
                "memory above what was resident before; PSS: its growth; search stall: the longest "
                "the main thread was busy during the search, in ms; save->row: after another "
                "connection's save, in ms\n");
    return 0;
}
