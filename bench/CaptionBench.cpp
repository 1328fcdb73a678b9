// SPDX-License-Identifier: GPL-3.0-or-later
// What keeping a run's cues costs the main thread, and what writing them out as subtitle files
// costs.
//
// A one-hour run is replayed as the listening model sees it: a task of 30 s after another, each
// with a hypothesis every 0.1 s of audio that grows by a word every 0.4 s, a sentence ending
// after about one word in twelve. Every hypothesis goes through CueBuilder::take(), and each
// task's last one through finish(). Then the cues of a three-hour run are written as SubRip and
// as WebVTT.
//
// Last, a merge every 5 s of the one-hour run, as the transcription model has it in a store on
// disk: what handing the run's text and new cues on costs the main thread, and what the
// transcript writer's save, which writes only the cues that are new, takes on its thread, fsync
// included, as the record's cues grow.

#include "Base/Logging.h"
#include "Models/CaptionFormat.h"
#include "Models/CueBuilder.h"
#include "Models/TranscriptionModel.h"
#include "Percentile.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/TranscriptWriter.h"
#include "Prose.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr double taskLength = 30.0;
constexpr double wordSpacing = 0.4;

// One task's hypotheses: each is the one before with the words said by then.
QList<Transcription> taskHypotheses(QRandomGenerator &random)
{
    QList<Transcription> hypotheses;
    Transcription growing;
    const QStringList words = prose(600, random).split(u' ', Qt::SkipEmptyParts);
    for (int tick = 1; tick <= int(taskLength * 10); ++tick) {
        const double now = tick * 0.1;
        while (growing.segments.size() < words.size() &&
               wordSpacing * double(growing.segments.size()) + 0.2 < now) {
            if (!growing.formattedString.isEmpty())
                growing.formattedString += u' ';
            const QString word = words.at(growing.segments.size());
            growing.segments.append({growing.formattedString.size(), word.size(),
                                     wordSpacing * double(growing.segments.size())});
            growing.formattedString += word + (random.bounded(12) ? QString() : u"."_s);
        }
        hypotheses.append(growing);
    }
    return hypotheses;
}

// Replays a run of \a hours, timing every call in microseconds; returns its cues.
QList<CaptionCue> replayRun(double hours, QList<double> *takeTimes, QList<double> *finishTimes)
{
    QRandomGenerator random(7);
    CueBuilder builder;
    QList<CaptionCue> cues;
    QElapsedTimer timer;
    for (double taskStart = 0; taskStart < hours * 3600; taskStart += taskLength) {
        const QList<Transcription> hypotheses = taskHypotheses(random);
        for (qsizetype i = 0; i < hypotheses.size(); ++i) {
            const double processed = 0.1 * double(i + 1);
            timer.start();
            const bool last = i + 1 == hypotheses.size();
            cues << (last ? builder.finish(hypotheses[i], taskStart, processed)
                          : builder.take(hypotheses[i], taskStart, processed));
            const double micros = double(timer.nsecsElapsed()) / 1000.0;
            if (last && finishTimes)
                finishTimes->append(micros);
            else if (!last && takeTimes)
                takeTimes->append(micros);
        }
    }
    return cues;
}

// The median of \a runs writes of \a cues as \a kind, in milliseconds.
double writeTime(const QList<CaptionCue> &cues, CaptionFormat::Kind kind, int runs)
{
    QList<double> times;
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        timer.start();
        const QByteArray file =
            CaptionFormat::write(cues, kind, CaptionFormat::Content::Both).toUtf8();
        times.append(double(timer.nsecsElapsed()) / 1e6);
        if (file.isEmpty())
            return -1;
    }
    return percentile(times, 0.5);
}

// Hands the run's text and its share of \a cues on at each of \a merges, as the transcription
// model is handed them, and prints what that takes the main thread, and the writer's saves at
// four moments, by the number of cues the record then has.
void mergeTimes(const QList<CaptionCue> &cues, int merges)
{
    const QTemporaryDir folder;
    std::variant<std::unique_ptr<ModelContainer>, Error> opened =
        ModelContainer::open(folder.filePath(u"Transcripts.sqlite"_s));
    if (const Error *error = std::get_if<Error>(&opened)) {
        std::printf("  the store did not open: %s\n", qPrintable(error->description()));
        return;
    }
    ModelContainer &store = *std::get<std::unique_ptr<ModelContainer>>(opened);
    TranscriptionModel model(store);
    model.setSourceLanguage(Language(u"en"_s, {}, u"US"_s));
    model.setTargetLanguage(Language(u"es"_s, {}, u"ES"_s));
    model.startNewTranscript();
    QElapsedTimer timer;
    QElapsedTimer saving;
    QEventLoop written;
    QObject::connect(&store.transcriptWriter(), &TranscriptWriter::written, &written,
                     &QEventLoop::quit);
    QList<double> mainThread;
    QString text;
    qsizetype handed = 0;
    for (int i = 1; i <= merges; ++i) {
        const qsizetype count = cues.size() * i / merges;
        for (qsizetype c = handed; c < count; ++c)
            text += cues[c].text + u' ';
        timer.start();
        model.addCues(cues.mid(handed, count - handed));
        model.updateSourceText(text);
        mainThread.append(double(timer.nsecsElapsed()) / 1e6);
        handed = count;
        saving.start();
        written.exec();
        if (i % (merges / 4) == 0)
            std::printf("  writer's save at %lld cues, fsync included: %.2f ms\n",
                        static_cast<long long>(count), double(saving.nsecsElapsed()) / 1e6);
    }
    std::printf("  main thread per merge: median %.3f ms, 99th percentile %.3f ms, max %.3f ms\n",
                percentile(mainThread, 0.5), percentile(mainThread, 0.99),
                percentile(mainThread, 1.0));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    // The model's breadcrumbs would bury the figures.
    Logging::shared().setEchoStream(std::fopen("/dev/null", "w"));
    QList<double> takes;
    QList<double> finishes;
    const QList<CaptionCue> hour = replayRun(1, &takes, &finishes);
    std::printf("cue keeping over a 1-hour run: %lld hypotheses, %lld task ends, %lld cues\n",
                static_cast<long long>(takes.size()), static_cast<long long>(finishes.size()),
                static_cast<long long>(hour.size()));
    std::printf("  per hypothesis: median %.1f us, 99th percentile %.1f us, max %.1f us\n",
                percentile(takes, 0.5), percentile(takes, 0.99), percentile(takes, 1.0));
    std::printf("  per task end:   median %.1f us, max %.1f us\n", percentile(finishes, 0.5),
                percentile(finishes, 1.0));

    QList<CaptionCue> threeHours = replayRun(3, nullptr, nullptr);
    for (CaptionCue &cue : threeHours)
        cue.translation = cue.text;
    std::printf("export of a 3-hour run (%lld cues, spoken and translation), median of 9:\n",
                static_cast<long long>(threeHours.size()));
    std::printf("  SubRip: %.1f ms\n", writeTime(threeHours, CaptionFormat::Kind::SubRip, 9));
    std::printf("  WebVTT: %.1f ms\n", writeTime(threeHours, CaptionFormat::Kind::WebVtt, 9));

    std::printf("a merge every 5 s of the 1-hour run, store on disk:\n");
    mergeTimes(hour, 720);
    return 0;
}
