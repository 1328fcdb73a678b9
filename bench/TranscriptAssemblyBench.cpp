// SPDX-License-Identifier: GPL-3.0-or-later
// What one merge costs the main thread as the unsolidified tail of the transcript grows, with the
// plain bisection search beside it for comparison. The tail stays short while speech goes on, but a
// long first run, or many runs without an overlap, can make it long.

#include "Base/Logging.h"
#include "Models/TranscriptAssembly.h"
#include "ReferenceCommonSubstring.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QStringList>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

QString speechLikeText(qsizetype characters, quint32 seed)
{
    static const QStringList words{u"the"_s,   u"river"_s,  u"ran"_s,   u"quietly"_s,  u"past"_s,
                                   u"old"_s,   u"mill"_s,   u"where"_s, u"children"_s, u"played"_s,
                                   u"every"_s, u"summer"_s, u"and"_s,   u"evening"_s,  u"light"_s};
    QRandomGenerator random(seed);
    QString text;
    while (text.size() < characters)
        text += words.at(random.bounded(words.size())) + (random.bounded(12) ? u" "_s : u". "_s);
    return text.left(characters);
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
    std::fclose(nowhere);
    return 0;
}
