// SPDX-License-Identifier: GPL-3.0-or-later
// What one merge costs the main thread as the unsolidified tail of the transcript grows, with the
// plain bisection search beside it for comparison. The tail stays short while speech goes on, but a
// long first run, or many runs without an overlap, can make it long.
//
// Then what each hypothesis costs it, about ten times a second while speech goes on: its display
// text and the pause point, with the length that the listening model's breadcrumb shows, over a
// task's 30 s of speech in a Latin script and in a dense one.

#include "Base/Logging.h"
#include "Models/TranscriptAssembly.h"
#include "ReferenceCommonSubstring.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QStringList>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

const QStringList englishWords{u"the"_s,   u"river"_s,  u"ran"_s,   u"quietly"_s,  u"past"_s,
                               u"old"_s,   u"mill"_s,   u"where"_s, u"children"_s, u"played"_s,
                               u"every"_s, u"summer"_s, u"and"_s,   u"evening"_s,  u"light"_s};
const QStringList japaneseWords{u"川"_s, u"は"_s,   u"静かに"_s, u"古い"_s, u"水車"_s,
                                u"の"_s, u"そば"_s, u"を"_s,     u"流れ"_s, u"子供たち"_s,
                                u"が"_s, u"毎年"_s, u"夏"_s,     u"に"_s,   u"遊んだ"_s};

QString speechLikeText(qsizetype characters, quint32 seed)
{
    QRandomGenerator random(seed);
    QString text;
    while (text.size() < characters)
        text += englishWords.at(random.bounded(englishWords.size())) +
                (random.bounded(12) ? u" "_s : u". "_s);
    return text.left(characters);
}

// A task's hypotheses over its 30 s of speech, one more of \a words in each, with \a blank between
// words and, after about one word in twelve, \a stop.
QList<Transcription> hypotheses(const QStringList &words, const QString &blank, const QString &stop)
{
    constexpr int wordCount = 75;
    QRandomGenerator random(3);
    QList<Transcription> result;
    Transcription growing;
    for (int i = 0; i < wordCount; ++i) {
        if (!growing.formattedString.isEmpty())
            growing.formattedString += blank;
        const QString word = words.at(random.bounded(words.size()));
        growing.segments.append({growing.formattedString.size(), word.size(), 0.4 * i});
        growing.formattedString += word + (random.bounded(12) ? QString() : stop);
        result.append(growing);
    }
    return result;
}

// The median of \a runs timings of \a step, in microseconds; \a prepare is not timed.
template <typename Prepare, typename Step>
double medianMicroseconds(int runs, Prepare prepare, Step step)
{
    QList<qint64> nanoseconds;
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        auto state = prepare();
        timer.start();
        step(state);
        nanoseconds << timer.nsecsElapsed();
    }
    std::sort(nanoseconds.begin(), nanoseconds.end());
    return double(nanoseconds.at(runs / 2)) / 1e3;
}

} // namespace

int main()
{
    FILE *nowhere = std::fopen("/dev/null", "w");
    Logging::shared().setEchoStream(nowhere);

    // The newest task's text: about 30 s of speech, whose first half repeats the tail's end.
    std::printf("%-12s %18s %22s\n", "tail chars", "merge (median us)", "plain search (median us)");
    for (const qsizetype length : {1'000, 10'000, 100'000}) {
        const QString tail = speechLikeText(length, 1);
        const QString latest = tail.right(200) + speechLikeText(200, 2);
        const double merge = medianMicroseconds(
            9,
            [&] {
                TranscriptAssembly assembly;
                assembly.merge(tail);
                return assembly;
            },
            [&](TranscriptAssembly &assembly) { assembly.merge(latest); });
        const double plain = length > 10'000
                                 ? -1
                                 : medianMicroseconds(
                                       3, [] { return 0; },
                                       [&](int) { referenceLongestCommonSubstring(tail, latest); });
        if (plain < 0)
            std::printf("%-12lld %18.0f %22s\n", static_cast<long long>(length), merge,
                        "(too slow)");
        else
            std::printf("%-12lld %18.0f %22.0f\n", static_cast<long long>(length), merge, plain);
    }

    // Each run shows a task's hypotheses in turn, on a fresh assembly; of the runs, the median.
    std::printf("\n%-12s %12s %26s\n", "language", "hypotheses", "per hypothesis (median us)");
    const auto perHypothesis = [](const char *language, const QList<Transcription> &stream) {
        const double whole = medianMicroseconds(
            31,
            [&] {
                TranscriptAssembly assembly;
                assembly.setLanguage(Language::fromRawValue(QString::fromLatin1(language)));
                return assembly;
            },
            [&](TranscriptAssembly &assembly) {
                for (const Transcription &transcription : stream)
                    assembly.show(transcription);
            });
        std::printf("%-12s %12lld %26.1f\n", language, static_cast<long long>(stream.size()),
                    whole / double(stream.size()));
    };
    perHypothesis("en-US", hypotheses(englishWords, u" "_s, u"."_s));
    perHypothesis("ja-JP", hypotheses(japaneseWords, QString(), u"。"_s));
    std::fclose(nowhere);
    return 0;
}
