// SPDX-License-Identifier: GPL-3.0-or-later
// What one save of the running transcript costs as its text grows. The whole text is written at
// every save, so a long session pays for its full length each time; this shows how much, on a
// real file with the journal and syncing the program uses: first a save on the calling thread, as
// the history's edits are saved, then a run's save as the transcription model makes it, which
// costs the main thread only the hand-over to the writer's thread.

#include "Models/TranscriptionModel.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"
#include "Platform/Store/Transcript.h"
#include "Platform/Store/TranscriptWriter.h"
#include "Prose.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

// Characters added before each save.
constexpr int textGrowth = 40;

qint64 storeBytes(const QString &path)
{
    return QFileInfo(path).size() + QFileInfo(path + u"-wal"_s).size();
}

void measure(qsizetype length, int runs, QRandomGenerator &random)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(u"Transcripts.sqlite"_s);
    std::variant<std::unique_ptr<ModelContainer>, Error> opened = ModelContainer::open(path);
    if (const Error *error = std::get_if<Error>(&opened)) {
        std::fprintf(stderr, "%s\n", qUtf8Printable(error->description()));
        std::exit(1);
    }
    const std::unique_ptr<ModelContainer> container =
        std::get<std::unique_ptr<ModelContainer>>(std::move(opened));
    ModelContext context(*container);
    // Each save adds a few words, as the listening model does when a sentence is merged, so the
    // record changes size and SQLite cannot just overwrite the changed part in place.
    constexpr int warmUp = 3;
    const QString text = prose(length + (warmUp + runs) * textGrowth, random);
    auto *transcript =
        new Transcript(Language(u"en"_s, {}, u"US"_s), Language(u"es"_s, {}, u"ES"_s),
                       text.left(length), std::nullopt, QDateTime::currentDateTimeUtc());
    context.insert(transcript);
    const auto save = [&] {
        if (std::optional<Error> error = context.save()) {
            std::fprintf(stderr, "%s\n", qUtf8Printable(error->description()));
            std::exit(1);
        }
    };
    save();
    qsizetype written = length;
    for (int run = 0; run < warmUp; ++run) {
        transcript->setSourceText(text.left(written += textGrowth));
        save();
    }
    const qint64 bytesBefore = storeBytes(path);

    QList<qint64> nanoseconds;
    QElapsedTimer timer;
    for (int run = 0; run < runs; ++run) {
        transcript->setSourceText(text.left(written += textGrowth));
        timer.start();
        save();
        nanoseconds << timer.nsecsElapsed();
    }
    std::sort(nanoseconds.begin(), nanoseconds.end());
    const auto at = [&](double share) {
        return double(nanoseconds.at(qsizetype(share * (runs - 1)))) / 1e6;
    };
    std::printf("%12lld %6d %12.2f %12.2f %16lld %16lld\n", qlonglong(length), runs, at(0.5),
                at(0.95), bytesBefore / 1024, storeBytes(path) / 1024);
}

// A run's saves: the main thread's part (updateSourceText()) and the time until the text is in
// the store.
void measureRun(qsizetype length, int runs, QRandomGenerator &random)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(u"Transcripts.sqlite"_s);
    const std::unique_ptr<ModelContainer> container =
        std::get<std::unique_ptr<ModelContainer>>(ModelContainer::open(path));
    TranscriptionModel model(*container);
    model.setSourceLanguage(Language(u"en"_s, {}, u"US"_s));
    model.setTargetLanguage(Language(u"es"_s, {}, u"ES"_s));
    model.startNewTranscript();
    const QString text = prose(length + (runs + 1) * textGrowth, random);
    TranscriptWriter &writer = container->transcriptWriter();
    QEventLoop loop;
    QObject::connect(&writer, &TranscriptWriter::written, &loop, &QEventLoop::quit);
    qsizetype written = length;
    QList<qint64> onMainThread;
    QList<qint64> untilStored;
    QElapsedTimer timer;
    for (int run = 0; run <= runs; ++run) {
        const QString grown = text.left(written += textGrowth);
        timer.start();
        model.updateSourceText(grown);
        const qint64 handedOver = timer.nsecsElapsed();
        loop.exec();
        if (run == 0)
            continue; // the first save inserts the record
        onMainThread << handedOver;
        untilStored << timer.nsecsElapsed();
    }
    std::sort(onMainThread.begin(), onMainThread.end());
    std::sort(untilStored.begin(), untilStored.end());
    const auto at = [&](const QList<qint64> &values, double share) {
        return double(values.at(qsizetype(share * (runs - 1)))) / 1e6;
    };
    std::printf("%12lld %6d %14.3f %14.3f %14.2f %14.2f\n", qlonglong(length), runs,
                at(onMainThread, 0.5), at(onMainThread, 0.95), at(untilStored, 0.5),
                at(untilStored, 0.95));
}

} // namespace

int main(int argc, char *argv[])
{
    const QCoreApplication application(argc, argv);
    QRandomGenerator random(2024);
    std::printf(
        "One save after setSourceText added %d characters, on a real file in %s "
        "(WAL, synchronous FULL);\nstore: the database file and its journal, before and after the "
        "measured saves\n",
        textGrowth, qUtf8Printable(QDir::tempPath()));
    std::printf("%12s %6s %12s %12s %16s %16s\n", "characters", "runs", "median ms", "p95 ms",
                "store before KiB", "store after KiB");
    measure(1'000, 50, random);
    measure(10'000, 50, random);
    measure(100'000, 50, random);
    measure(1'000'000, 20, random);

    std::printf("\nA run's save by TranscriptionModel::updateSourceText(), %d characters added; "
                "the main thread's part, and the time until the writer's thread has stored it\n",
                textGrowth);
    std::printf("%12s %6s %14s %14s %14s %14s\n", "characters", "runs", "main median ms",
                "main p95 ms", "stored med ms", "stored p95 ms");
    measureRun(1'000, 50, random);
    measureRun(100'000, 50, random);
    measureRun(1'000'000, 20, random);
    return 0;
}
