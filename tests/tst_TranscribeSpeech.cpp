// SPDX-License-Identifier: GPL-3.0-or-later
// The whole pipeline on real speech: espeak-ng speaks, pocketsphinx recognises, and
// voxlume-transcribe assembles. The word-error bounds are loose: synthetic speech is hard for the
// recogniser, and they are here to catch a broken pipeline, not to grade recognition.

#include "PrivateSoundServer.h"
#include "SpokenWav.h"
#include "TestMain.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <csignal>

using namespace Qt::Literals::StringLiterals;

namespace {

const QStringList &story = spokenStory();

// Runs of five words that stand twice in \a words.
QStringList repeatedRuns(const QStringList &words)
{
    QStringList runs, repeated;
    for (qsizetype i = 0; i + 5 <= words.size(); ++i) {
        runs << words.mid(i, 5).join(u' ');
        if (runs.indexOf(runs.last()) < i)
            repeated << runs.last();
    }
    return repeated;
}

struct Run
{
    int exitCode = -1;
    QString fullTranscript;
    int resets = 0;
    QString errors;
};

} // namespace

class TestTranscribeSpeech : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;

    Run transcribe(const QStringList &arguments,
                   const std::function<void(QProcess &)> &meanwhile = {})
    {
        const QString events = m_folder.filePath(u"events.jsonl"_s);
        QProcess process;
        process.start(QStringLiteral(TRANSCRIBE), QStringList{u"--from"_s, u"en-US"_s, u"--to"_s,
                                                              u"en-US"_s, u"--events"_s, events} +
                                                      arguments);
        if (meanwhile && process.waitForStarted())
            meanwhile(process);
        Run result;
        if (!process.waitForFinished(240'000)) {
            process.kill();
            return result;
        }
        result.exitCode = process.exitCode();
        result.errors = QString::fromUtf8(process.readAllStandardError()).right(2000);
        QFile file(events);
        file.open(QIODevice::ReadOnly);
        for (const QByteArray &line : file.readAll().split('\n')) {
            const QJsonObject event = QJsonDocument::fromJson(line).object();
            result.resets += event[u"event"_s] == u"reset"_s;
            if (event[u"event"_s] == u"end"_s)
                result.fullTranscript = event[u"fullTranscript"_s].toString();
        }
        return result;
    }

private Q_SLOTS:
    void aLongRecordingIsSplicedWithoutRepeats()
    {
        const QString speech = writeSpokenWav(m_folder.path(), u"long"_s, story.join(u' '));
        QVERIFY(!speech.isEmpty());
        const Run result = transcribe({u"--wav"_s, speech, u"--fast"_s});
        QCOMPARE(result.exitCode, 0);
        QVERIFY2(result.resets >= 2, qPrintable(QString::number(result.resets)));
        const double errors = wordErrorRate(story.join(u' '), result.fullTranscript);
        qInfo("word error rate %.0f %% over %d resets", errors * 100, result.resets);
        QVERIFY2(errors < 0.75, qPrintable(result.fullTranscript));
        // The story repeats no five words; a splice that kept both sides of an overlap would.
        QVERIFY(repeatedRuns(wordsOf(story.join(u' '))).isEmpty());
        QCOMPARE(repeatedRuns(wordsOf(result.fullTranscript)), QStringList());
    }

    void theMicrophoneIsHeard()
    {
        const QString text = story.mid(2, 3).join(u' ');
        const QString speech = writeSpokenWav(m_folder.path(), u"short"_s, text);
        QVERIFY(!speech.isEmpty());
        PrivateSoundServer server;
        QVERIFY(server.start());
        QVERIFY(server.loadMicrophone(
            u"virtmic"_s, u"feed"_s,
            {u"format=s16le"_s, u"rate=16000"_s, u"channels=1"_s, u"norewinds=1"_s}));
        QVERIFY(server.run(u"pactl"_s, {u"set-default-source"_s, u"virtmic"_s}));
        qputenv("PULSE_SERVER", server.address().toLocal8Bit());

        const Run result = transcribe({u"--microphone"_s}, [&](QProcess &tool) {
            QTest::qWait(2000); // the recogniser's first load
            server.run(u"paplay"_s, {u"--device"_s, u"feed"_s, speech});
            QTest::qWait(3000);
            ::kill(pid_t(tool.processId()), SIGTERM);
        });
        QVERIFY2(result.exitCode == 0, qPrintable(result.errors));
        const double errors = wordErrorRate(text, result.fullTranscript);
        qInfo("word error rate %.0f %%: %s", errors * 100, qPrintable(result.fullTranscript));
        QVERIFY(errors < 0.8);
    }
};

VOXLUME_TEST_MAIN(TestTranscribeSpeech)
#include "tst_TranscribeSpeech.moc"
