// SPDX-License-Identifier: GPL-3.0-or-later
// What a breadcrumb and a captured error cost the thread that logs them. Breadcrumbs are written
// for every recogniser hypothesis, on the main thread, so their cost must stay far below a frame.

#include "Base/Logging.h"
#include "Platform/CrashReporting/SentryClient.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

template <typename Step>
void measure(const char *name, int runs, Step step)
{
    QList<qint64> nanoseconds;
    nanoseconds.reserve(runs);
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        timer.start();
        step(i);
        nanoseconds << timer.nsecsElapsed();
    }
    std::sort(nanoseconds.begin(), nanoseconds.end());
    const auto at = [&](double share) { return nanoseconds.at(qsizetype(share * (runs - 1))); };
    std::printf("%-44s %8d runs   median %9.2f us   p95 %9.2f us\n", name, runs, at(0.5) / 1e3,
                at(0.95) / 1e3);
}

} // namespace

int main(int argc, char *argv[])
{
    const QCoreApplication application(argc, argv);
    QTemporaryDir cache;
    FILE *devNull = std::fopen("/dev/null", "w");

    Logging echoOnly(nullptr, devNull);
    measure("breadcrumb, echo only", 100'000, [&](int i) {
        echoOnly.logBreadcrumb(u"Hypothesis %1 merged"_s.arg(i), u"Core/ListeningModel"_s,
                               u"handleHypothesis()"_s, 120);
    });

    // Nothing listens on port 9: reports stay in the queue, and sending never touches the
    // measured thread anyway.
    SentryOptions options{.dsn = *SentryDsn::parse(u"http://key@127.0.0.1:9/1"_s),
                          .inAppIncludes = {u"VoxlumeCore"_s},
                          .release = u"voxlume@bench"_s,
                          .clientName = u"voxlume.sentry/bench"_s,
                          .cacheDirectory = cache.path(),
                          .maxQueuedEnvelopes = 1000};
    Logging reporting(std::make_unique<SentryClient>(options), devNull);
    measure("breadcrumb, echo and crash reporter", 100'000, [&](int i) {
        reporting.logBreadcrumb(u"Hypothesis %1 merged"_s.arg(i), u"Core/ListeningModel"_s,
                                u"handleHypothesis()"_s, 120);
    });
    measure("captured error with 100 breadcrumbs", 300, [&](int i) {
        reporting.logErrorMessage(u"Failed to save transcript: disk full %1"_s.arg(i),
                                  u"Core/TranscriptionModel"_s, u"_errorMessage"_s, 40);
    });

    std::fclose(devNull);
    return 0;
}
