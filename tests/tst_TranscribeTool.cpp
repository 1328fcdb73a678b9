// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestMain.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Run
{
    int exitCode = -1;
    bool crashed = false;
    QStringList lines;
    QString errors;
    QList<QJsonObject> events;
};

} // namespace

class TestTranscribeTool : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;

    QString write(const QString &name, const QByteArray &content)
    {
        QFile file(m_folder.filePath(name));
        file.open(QIODevice::WriteOnly);
        file.write(content);
        return file.fileName();
    }

    // Runs the tool, with its store in \a dataHome when one is given.
    Run transcribe(QStringList arguments, const QString &dataHome = {})
    {
        const QString eventsPath = m_folder.filePath(u"events.jsonl"_s);
        QFile::remove(eventsPath);
        const bool history = arguments.contains(u"--list"_s) || arguments.contains(u"--show"_s);
        if (!history)
            arguments << u"--events"_s << eventsPath;
        QProcess process;
        if (!dataHome.isEmpty()) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(u"XDG_DATA_HOME"_s, dataHome);
            process.setProcessEnvironment(environment);
        }
        process.start(QStringLiteral(TRANSCRIBE), arguments);
        Run run;
        if (!process.waitForFinished(60'000))
            return run;
        run.exitCode = process.exitCode();
        run.crashed = process.exitStatus() == QProcess::CrashExit;
        run.lines =
            QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        run.errors = QString::fromUtf8(process.readAllStandardError());
        QFile events(eventsPath);
        if (events.open(QIODevice::ReadOnly)) {
            for (const QByteArray &line : events.readAll().split('\n')) {
                if (!line.isEmpty())
                    run.events << QJsonDocument::fromJson(line).object();
            }
        }
        return run;
    }

    static QStringList eventNames(const Run &run)
    {
        QStringList names;
        for (const QJsonObject &event : run.events)
            names << event[u"event"_s].toString();
        return names;
    }

private Q_SLOTS:
    void aScriptedRunPrintsItsSubtitlesAndSplicesItsTasks()
    {
        const QString script = write(
            u"run.jsonl"_s,
            R"({"task": 1, "hypothesis": {"text": "We went to the park.", "segments": [{"location": 0, "length": 2, "timestamp": 0.5}]}}
{"task": 1, "hypothesis": {"text": "We went to the park. It was", "segments": [{"location": 0, "length": 2, "timestamp": 0.5}, {"location": 21, "length": 2, "timestamp": 20}]}}
{"task": 1, "processed": 30}
{"task": 2, "hypothesis": {"text": "ignored while catching up", "segments": []}}
{"task": 1, "hypothesis": {"text": "an old task changes nothing", "segments": []}}
{"task": 2, "processed": 15}
{"wait": 0.1}
{"task": 2, "hypothesis": {"text": "It was sunny and warm.", "segments": [{"location": 0, "length": 2, "timestamp": 4}]}}
)");
        const Run run =
            transcribe({u"--from"_s, u"en-US"_s, u"--to"_s, u"en-US"_s, u"--script"_s, script});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.lines,
                 (QStringList{u"We went to the park."_s, u"We went to the park. It was"_s,
                              u"It was sunny and warm."_s}));
        QCOMPARE(eventNames(run), (QStringList{u"display"_s, u"display"_s, u"merge"_s, u"reset"_s,
                                               u"merge"_s, u"display"_s, u"merge"_s, u"end"_s}));
        QCOMPARE(run.events[3][u"processed"_s].toDouble(), 30.0);
        QCOMPARE(run.events[4][u"fullTranscript"_s].toString(),
                 u"We went to the park. It was sunny and warm"_s);
        QCOMPARE(run.events[4][u"solidifiedUntil"_s].toInt(), 21);
        QCOMPARE(run.events.last()[u"fullTranscript"_s].toString(),
                 u"We went to the park. It was sunny and warm"_s);
        QVERIFY(run.events.last()[u"t"_s].toDouble() >= 0.1);
    }

    void aRunInAnotherLanguageIsTranslated()
    {
        const QString script =
            write(u"translated.jsonl"_s,
                  R"({"task": 1, "hypothesis": {"text": "The house is red.", "segments": []}}
{"wait": 2}
)");
        const Run run =
            transcribe({u"--from"_s, u"en-US"_s, u"--to"_s, u"es-ES"_s, u"--script"_s, script});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(!run.lines.isEmpty(), qPrintable(run.errors));
        QVERIFY2(run.lines.last().contains(u"casa"_s), qPrintable(run.lines.last()));
        QVERIFY(run.lines.last().endsWith(u"[The house is red.]"_s));
        const auto display =
            std::find_if(run.events.cbegin(), run.events.cend(), [](const QJsonObject &event) {
                return event[u"event"_s] == u"display"_s;
            });
        QVERIFY(display != run.events.cend());
        QCOMPARE((*display)[u"source"_s].toString(), u"The house is red."_s);
        QVERIFY((*display)[u"target"_s].toString().contains(u"roja"_s));
    }

    void aStopAndAStartMakeTwoRuns()
    {
        const QString script = write(
            u"runs.jsonl"_s, R"({"task": 1, "hypothesis": {"text": "First run.", "segments": []}}
{"stop": true}
{"start": true}
{"task": 2, "hypothesis": {"text": "Second run.", "segments": []}}
)");
        const QString dataHome = m_folder.filePath(u"two-runs"_s);
        const Run run = transcribe(
            {u"--from"_s, u"en-US"_s, u"--to"_s, u"en-US"_s, u"--script"_s, script}, dataHome);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.events.last()[u"fullTranscript"_s].toString(), u"First run. Second run."_s);
        // Each run keeps what it heard itself.
        const QStringList list = transcribe({u"--list"_s}, dataHome).lines;
        QCOMPARE(list.size(), 2);
        QVERIFY2(list[0].endsWith(u"  Second run."_s) && list[1].endsWith(u"  First run."_s),
                 qPrintable(list.join(u'\n')));
    }

    void badInputIsRefusedWithAReason_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("reason");

        QTest::newRow("no audio") << QStringList{} << u"exactly one of"_s;
        QTest::newRow("two audio sources")
            << QStringList{u"--microphone"_s, u"--script"_s, u"x"_s} << u"exactly one of"_s;
        QTest::newRow("fast without a file")
            << QStringList{u"--microphone"_s, u"--fast"_s} << u"--fast goes with --wav"_s;
        QTest::newRow("bad language")
            << QStringList{u"--from"_s, u"english"_s, u"--microphone"_s} << u"such as en-US"_s;
        QTest::newRow("missing script")
            << QStringList{u"--script"_s, u"/nonexistent.jsonl"_s} << u"/nonexistent.jsonl"_s;
        QTest::newRow("not a WAV file")
            << QStringList{u"--wav"_s, QStringLiteral(TRANSCRIBE)} << QStringLiteral(TRANSCRIBE);
        QTest::newRow("history with a run")
            << QStringList{u"--list"_s, u"--microphone"_s} << u"--list and --show go alone"_s;
        QTest::newRow("an unknown transcript")
            << QStringList{u"--show"_s, u"0123"_s} << u"no stored transcript has the id 0123"_s;
    }

    void badInputIsRefusedWithAReason()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, reason);
        const Run run = transcribe(arguments);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.errors.contains(reason), qPrintable(run.errors));
        QCOMPARE(run.errors.count(u'\n'), 1);
    }

    void aBrokenScriptNamesItsLine_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QString>("reason");
        QTest::newRow("not JSON") << QByteArray("{\"wait\": 0}\n{oops\n") << u"run.jsonl:2:"_s;
        QTest::newRow("no task number") << QByteArray("{\"processed\": 3}\n") << u"run.jsonl:1:"_s;
        QTest::newRow("a task not yet made")
            << QByteArray("{\"task\": 1, \"processed\": 1}\n{\"task\": 3, \"processed\": 1}\n")
            << u"line 2: task 3 has not been created"_s;
    }

    void aBrokenScriptNamesItsLine()
    {
        QFETCH(QByteArray, script);
        QFETCH(QString, reason);
        const Run run = transcribe({u"--from"_s, u"en-US"_s, u"--to"_s, u"en-US"_s, u"--script"_s,
                                    write(u"run.jsonl"_s, script)});
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.errors.contains(reason), qPrintable(run.errors));
    }

    void aRunIsKeptAndCanBeReadBack()
    {
        const QString dataHome = m_folder.filePath(u"kept"_s);
        const QString script = write(
            u"kept.jsonl"_s,
            R"({"task": 1, "hypothesis": {"text": "We went to the park. It was sunny and warm.", "segments": []}}
)");
        const Run run = transcribe(
            {u"--from"_s, u"en-US"_s, u"--to"_s, u"es-ES"_s, u"--script"_s, script}, dataHome);
        QCOMPARE(run.exitCode, 0);
        const QString id = run.events.last()[u"transcriptId"_s].toString();
        QVERIFY(!id.isEmpty());

        // Each read is a process of its own: the transcript outlives the run that made it.
        const Run list = transcribe({u"--list"_s}, dataHome);
        QCOMPARE(list.exitCode, 0);
        QCOMPARE(list.lines.size(), 1);
        QVERIFY(list.lines.first().startsWith(id));
        QVERIFY2(list.lines.first().endsWith(
                     u"en-US → es-ES  We went to the park. It was sunny and warm."_s),
                 qPrintable(list.lines.first()));

        const Run show = transcribe({u"--show"_s, id.left(8)}, dataHome);
        QCOMPARE(show.exitCode, 0);
        QCOMPARE(show.lines.first(), id);
        QCOMPARE(show.lines.mid(2),
                 (QStringList{u"We went to the park."_s, u"It was sunny and warm."_s}));
    }

    void aRunWithNothingToKeepLeavesNothing_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<bool>("noStore");
        QTest::newRow("nothing heard") << QByteArray("{\"wait\": 0}\n") << false;
        QTest::newRow("--no-store")
            << QByteArray(R"({"task": 1, "hypothesis": {"text": "Not kept.", "segments": []}})")
            << true;
    }

    void aRunWithNothingToKeepLeavesNothing()
    {
        QFETCH(QByteArray, script);
        QFETCH(bool, noStore);
        const QString dataHome = m_folder.filePath(u"nothing-%1"_s.arg(noStore));
        QStringList arguments{u"--from"_s, u"en-US"_s,    u"--to"_s,
                              u"en-US"_s,  u"--script"_s, write(u"nothing.jsonl"_s, script)};
        if (noStore)
            arguments << u"--no-store"_s;
        const Run run = transcribe(arguments, dataHome);
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.events.last()[u"transcriptId"_s].isNull());
        const Run list = transcribe({u"--list"_s}, dataHome);
        QCOMPARE(list.exitCode, 0);
        QCOMPARE(list.lines, QStringList());
    }

    void aDamagedStoreStopsTheToolAndIsLeftAsItWas()
    {
        const QString dataHome = m_folder.filePath(u"damaged"_s);
        QDir().mkpath(dataHome + u"/Voxlume"_s);
        QByteArray noise(8192, Qt::Uninitialized);
        for (char &byte : noise)
            byte = char(QRandomGenerator::global()->bounded(256));
        const QString store = write(u"damaged/Voxlume/Transcripts.sqlite"_s, noise);

        const Run run = transcribe({u"--list"_s}, dataHome);
        QVERIFY(run.crashed || run.exitCode != 0);
        QVERIFY2(run.errors.contains(u"Fatal error: Failed to initialize ModelContainer: "_s),
                 qPrintable(run.errors));
        QVERIFY2(run.errors.contains(store), qPrintable(run.errors));
        QFile file(store);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), noise);
        QCOMPARE(QDir(dataHome + u"/Voxlume"_s).entryList(QDir::Files),
                 QStringList{u"Transcripts.sqlite"_s});
    }

    void anUnsupportedLanguageIsARuntimeFailure()
    {
        const QString dataHome = m_folder.filePath(u"unsupported"_s);
        const Run run = transcribe(
            {u"--from"_s, u"xx-XX"_s, u"--to"_s, u"xx-XX"_s, u"--microphone"_s}, dataHome);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.errors.contains(u"Speech recognition is not supported for xx_XX."_s),
                 qPrintable(run.errors));
        QCOMPARE(eventNames(run), (QStringList{u"error"_s, u"end"_s}));
        // The transcript opened for the start that failed is not left behind empty.
        QCOMPARE(transcribe({u"--list"_s}, dataHome).lines, QStringList());
    }
};

VOXLUME_TEST_MAIN(TestTranscribeTool)
#include "tst_TranscribeTool.moc"
