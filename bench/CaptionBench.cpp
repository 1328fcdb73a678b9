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
// Last, what a save of the run's record costs as its cues grow, with every cue rewritten (the way
// the store writes them today), in a store in memory: the cost of the statements without the
// disk's.

#include "Models/CaptionFormat.h"
#include "Models/CueBuilder.h"
#include "Percentile.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"
#include "Platform/Store/Transcript.h"
#include "Prose.h"

#include <QElapsedTimer>
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

// Saves the record after each of \a saves merges, each with its share of \a cues, and prints
// the time of four of those saves, by the number of cues the record then has.
void saveTimes(const QList<CaptionCue> &cues, int saves)
{
    const std::unique_ptr<ModelContainer> store = ModelContainer::inMemory();
    ModelContext &context = store->mainContext();
    auto *record = new Transcript(Language(u"en"_s, {}, u"US"_s), Language(u"es"_s, {}, u"ES"_s),
                                  QString(), std::nullopt, QDateTime::currentDateTimeUtc());
    context.insert(record);
    QElapsedTimer timer;
    for (int i = 1; i <= saves; ++i) {
        const qsizetype count = cues.size() * i / saves;
        record->setCues(cues.mid(0, count));
        timer.start();
        const std::optional<Error> error = context.save();
        const double millis = double(timer.nsecsElapsed()) / 1e6;
        if (error)
            std::printf("  save failed: %s\n", qPrintable(error->description()));
        if (i % (saves / 4) == 0)
            std::printf("  %lld cues: %.2f ms\n", static_cast<long long>(count), millis);
    }
}

} // namespace

int main()
{
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

    std::printf("save of a 1-hour run's record, every cue rewritten, in memory, at a merge every "
                "5 s:\n");
    saveTimes(hour, 720);
    return 0;
}
