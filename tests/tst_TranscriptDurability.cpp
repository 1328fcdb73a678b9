// SPDX-License-Identifier: GPL-3.0-or-later
// A run killed at any moment loses nothing it has saved, and saves often: voxlume-transcribe
// listens to real speech and is killed with SIGKILL at moments spread over a whole run; each time
// the store must open, the run's transcript must hold at least the text last stored before the
// kill, and a run killed before its first merge must have stored what it heard all the same.
// The run's cues are kept by the same saves, and the whole run's cues are subtitle files that a
// player reads.

#include "Platform/Audio/WavFile.h"
#include "SpokenWav.h"
#include "StoredTranscripts.h"
#include "SubtitleFileCheck.h"
#include "TestMain.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <csignal>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int killCount = 10;

struct Run
{
    QStringList merges;
    // The texts the store reported written, in order.
    QStringList stored;
    std::optional<QString> endTranscript;
    qint64 milliseconds = 0;
};

} // namespace

class TestTranscriptDurability : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    QString m_speech;

    // Runs the tool on the speech with its store in \a dataHome, killing it after \a killAfterMs
    // unless it ends first.
    Run transcribe(const QString &dataHome, std::optional<int> killAfterMs)
    {
        QDir().mkpath(dataHome);
        const QString events = dataHome + u"/events.jsonl"_s;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"XDG_DATA_HOME"_s, dataHome);
        QProcess process;
        process.setProcessEnvironment(environment);
        QElapsedTimer clock;
        clock.start();
        process.start(QStringLiteral(TRANSCRIBE),
                      {u"--from"_s, u"en-US"_s, u"--to"_s, u"en-US"_s, u"--wav"_s, m_speech,
                       u"--fast"_s, u"--events"_s, events});
        if (killAfterMs && !process.waitForFinished(*killAfterMs))
            ::kill(pid_t(process.processId()), SIGKILL);
        process.waitForFinished(240'000);
        Run run;
        run.milliseconds = clock.elapsed();
        QFile file(events);
        file.open(QIODevice::ReadOnly);
        for (const QByteArray &line : file.readAll().split('\n')) {
            const QJsonObject event = QJsonDocument::fromJson(line).object();
            if (event[u"event"_s] == u"merge"_s)
                run.merges << event[u"fullTranscript"_s].toString();
            if (event[u"event"_s] == u"stored"_s)
                run.stored << event[u"sourceText"_s].toString();
            if (event[u"event"_s] == u"end"_s)
                run.endTranscript = event[u"fullTranscript"_s].toString();
        }
        return run;
    }

    // Checks that \a cues are in time order, apart, and inside the speech's audio.
    void verifyCueTimes(const QList<CaptionCue> &cues)
    {
        const WavFile speech = std::get<WavFile>(WavFile::open(m_speech));
        const double audioLength = double(speech.frameCount()) / speech.sampleRate();
        for (qsizetype i = 0; i < cues.size(); ++i) {
            QVERIFY(cues[i].start < cues[i].end);
            QVERIFY(cues[i].end <= audioLength + 0.001);
            QVERIFY(i == 0 || cues[i].start >= cues[i - 1].end);
        }
    }

    // Prints the run \a id of \a dataHome as a subtitle file of \a format, and checks that ffmpeg
    // reads every one of its \a cues.
    void verifyExport(const QString &dataHome, const QString &id, const QString &format, int cues)
    {
        const QString path = dataHome + u"/run."_s + format;
        QProcess show;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"XDG_DATA_HOME"_s, dataHome);
        show.setProcessEnvironment(environment);
        show.setStandardOutputFile(path);
        show.start(QStringLiteral(TRANSCRIBE), {u"--show"_s, id, u"--format"_s, format});
        QVERIFY(show.waitForFinished(30'000) && show.exitCode() == 0);
        QCOMPARE(SubtitleFileCheck::ffmpegErrors(path), QString());
        QCOMPARE(SubtitleFileCheck::packetsIn(path), cues);
    }

    // The transcripts stored in \a dataHome; fails the test when the store does not open.
    static QList<StoredTranscript> stored(const QString &dataHome)
    {
        return storedTranscripts(dataHome + u"/Voxlume/Transcripts.sqlite"_s);
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Long enough for a replacement of the recognition task, so that a run merges mid-way.
        m_speech = writeSpokenWav(m_folder.path(), u"speech"_s, spokenStory().mid(0, 7).join(u' '));
        QVERIFY2(!m_speech.isEmpty(), "espeak-ng and sox make the speech");
    }

    void aKilledRunKeepsWhatItLastStored()
    {
        const QString whole = m_folder.filePath(u"whole"_s);
        const Run complete = transcribe(whole, std::nullopt);
        QVERIFY(complete.endTranscript);
        QVERIFY2(complete.merges.size() >= 2, "the run merges before its end");
        const QList<StoredTranscript> records = stored(whole);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0].sourceText, *complete.endTranscript);
        QVERIFY(!records[0].cues.isEmpty());
        verifyCueTimes(records[0].cues);
        const QString id = records[0].id.toString(QUuid::WithoutBraces);
        for (const QString &format : {u"srt"_s, u"vtt"_s})
            verifyExport(whole, id, format, int(records[0].cues.size()));

        // One kill in each of equal slices of a whole run, at a random moment of its slice.
        int killsBeforeAMerge = 0;
        int killsThatKeptCues = 0;
        for (int i = 0; i < killCount; ++i) {
            const qint64 slice = complete.milliseconds / killCount;
            const int killAfter = int(slice * i + QRandomGenerator::global()->bounded(slice));
            const QString dataHome = m_folder.filePath(u"kill-%1"_s.arg(i));
            const Run killed = transcribe(dataHome, killAfter);
            const QList<StoredTranscript> texts = stored(dataHome);
            QVERIFY2(!QTest::currentTestFailed(),
                     qPrintable(u"the store opens after a kill at %1 ms"_s.arg(killAfter)));
            // Never an empty record: a run is stored with its first text.
            QVERIFY(texts.size() <= 1);
            QVERIFY(texts.isEmpty() || !texts.first().sourceText.isEmpty());
            if (killed.stored.isEmpty())
                continue;
            // What was reported stored is there, or a later text of the run, written just before
            // the kill and not yet reported.
            QVERIFY2(texts.size() == 1, qPrintable(u"kill at %1 ms lost: %2"_s.arg(killAfter).arg(
                                            killed.stored.last())));
            killsBeforeAMerge += killed.merges.isEmpty() ? 1 : 0;
            verifyCueTimes(texts.first().cues);
            killsThatKeptCues += texts.first().cues.isEmpty() ? 0 : 1;
        }
        qInfo("a whole run takes %lld ms; %d of %d kills came before a merge yet kept text, %d "
              "kept cues",
              complete.milliseconds, killsBeforeAMerge, killCount, killsThatKeptCues);
        QVERIFY2(killsBeforeAMerge > 0, "what is heard before the first merge is stored too");
        QVERIFY2(killsThatKeptCues > 0, "cues are stored while the run goes on");
    }
};

VOXLUME_TEST_MAIN(TestTranscriptDurability)
#include "tst_TranscriptDurability.moc"
