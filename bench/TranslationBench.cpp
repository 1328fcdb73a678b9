// SPDX-License-Identifier: GPL-3.0-or-later
// What on-device translation costs, English to Spanish with Apertium:
//   - per-call latency of display-sized texts (20 to 120 characters) through the persistent
//     pipeline, against a fresh `apertium eng-spa` process per call;
//   - the pipeline's start, from nothing running to its first answer;
//   - memory per direction: the PSS of the pipeline's processes.
// Usage: voxlume-bench-translation [calls through the pipeline, default 300]

#include "Platform/Translation/Apertium/ApertiumPipelinePool.h"
#include "Platform/Translation/Apertium/ApertiumTranslationService.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

const Language english(u"en"_s, {}, u"US"_s);
const Language spanish(u"es"_s, {}, u"ES"_s);

// Subtitle lines as speech recognition makes them, 20 to 120 characters.
const QStringList lines = {
    u"The weather is nice today."_s,
    u"We will meet at the library after lunch."_s,
    u"Please remember to turn off the lights when you leave the room."_s,
    u"I think the train was late again this morning."_s,
    u"Could you send me the report before the meeting on Friday, so that I can read it first?"_s,
    u"She bought bread."_s,
    u"The children are playing in the garden behind the old house near the river."_s,
    u"My brother works in a hospital in the city and he likes his job very much."_s,
    u"It is going to rain tomorrow, so take an umbrella with you when you go out in the evening."_s,
    u"Thank you very much."_s,
};

double percentile(QList<double> values, double share)
{
    if (values.isEmpty())
        return qQNaN();
    std::sort(values.begin(), values.end());
    return values.at(qsizetype(share * double(values.size() - 1)));
}

void printLatency(const char *name, const QList<double> &milliseconds)
{
    std::printf("%-44s %5lld calls   median %8.2f ms   p95 %8.2f ms\n", name,
                static_cast<long long>(milliseconds.size()), percentile(milliseconds, 0.5),
                percentile(milliseconds, 0.95));
}

double pssMegabytes(const QList<qint64> &processIds)
{
    qint64 kilobytes = 0;
    for (const qint64 pid : processIds) {
        QFile rollup(u"/proc/%1/smaps_rollup"_s.arg(pid));
        if (!rollup.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &line : rollup.readAll().split('\n')) {
            if (line.startsWith("Pss:"))
                kilobytes += line.mid(4).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return double(kilobytes) / 1024.0;
}

std::optional<QString> translate(TranslationSession &session, const QString &text)
{
    const auto result = QCoro::waitFor(session.translate(text));
    if (const auto *error = std::get_if<Error>(&result)) {
        std::fprintf(stderr, "translation failed: %s\n", qPrintable(error->description()));
        return std::nullopt;
    }
    return std::get<QString>(result);
}

QList<double> pipelineLatencies(TranslationSession &session, int calls)
{
    QList<double> milliseconds;
    QElapsedTimer clock;
    for (int i = 0; i < calls; ++i) {
        clock.start();
        if (!translate(session, lines.at(i % lines.size())))
            break;
        milliseconds << double(clock.nsecsElapsed()) / 1e6;
    }
    return milliseconds;
}

QList<double> freshProcessLatencies(int calls)
{
    QList<double> milliseconds;
    QElapsedTimer clock;
    for (int i = 0; i < calls; ++i) {
        clock.start();
        QProcess apertium;
        apertium.start(u"apertium"_s, {u"-u"_s, u"eng-spa"_s});
        apertium.write(lines.at(i % lines.size()).toUtf8());
        apertium.closeWriteChannel();
        if (!apertium.waitForFinished(30'000) || apertium.exitCode() != 0)
            break;
        milliseconds << double(clock.nsecsElapsed()) / 1e6;
    }
    return milliseconds;
}

// From nothing running to the first answer, each time in a service of its own.
QList<double> startTimes(int runs)
{
    QList<double> milliseconds;
    QElapsedTimer clock;
    for (int i = 0; i < runs; ++i) {
        ApertiumTranslationService service;
        clock.start();
        if (!translate(*service.makeSession(english, spanish), lines.first()))
            break;
        milliseconds << double(clock.nsecsElapsed()) / 1e6;
    }
    return milliseconds;
}

double directionMemory(ApertiumTranslationService &service, const Language &source,
                       const Language &target, const QString &mode)
{
    const auto session = service.makeSession(source, target);
    for (const QString &line : lines)
        translate(*session, line);
    return pssMegabytes(
        service.pipelines()
            .pipeline(ApertiumTranslationService::systemModesDirectory() + u"/%1.mode"_s.arg(mode))
            .processIds());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const int calls = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 300;
    if (!QFileInfo::exists(ApertiumTranslationService::systemModesDirectory() +
                           u"/eng-spa.mode"_s)) {
        std::fprintf(stderr, "apertium-eng-spa is not installed\n");
        return 1;
    }

    const QList<double> starts = startTimes(5);
    std::printf("%-44s %5lld runs    median %8.0f ms   max %8.0f ms\n",
                "pipeline start, to the first answer", static_cast<long long>(starts.size()),
                percentile(starts, 0.5), percentile(starts, 1.0));

    ApertiumTranslationService service;
    const auto session = service.makeSession(english, spanish);
    translate(*session, lines.first());
    printLatency("persistent pipeline, per call", pipelineLatencies(*session, calls));
    printLatency("fresh `apertium -u eng-spa` per call", freshProcessLatencies(20));

    std::printf("%-44s %8.1f MB\n", "memory (PSS), eng-spa pipeline",
                directionMemory(service, english, spanish, u"eng-spa"_s));
    std::printf("%-44s %8.1f MB\n", "memory (PSS), spa-eng_US pipeline",
                directionMemory(service, spanish, english, u"spa-eng_US"_s));
    std::printf("sample: %s\n", qPrintable(translate(*session, lines.at(2)).value_or(QString())));
    return 0;
}
