// SPDX-License-Identifier: GPL-3.0-or-later
// The whole pipeline on real speech: espeak-ng speaks, pocketsphinx recognises, and
// voxlume-transcribe assembles. The word-error bounds are loose: synthetic speech is hard for the
// recogniser, and they are here to catch a broken pipeline, not to grade recognition.

#include "SpokenWav.h"
#include "TestMain.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

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

} // namespace

class TestTranscribeSpeech : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;

private Q_SLOTS:
    void aLongRecordingIsSplicedWithoutRepeats()
    {
        const QString text = story.join(u' ');
        const QString speech = writeSpokenWav(m_folder.path(), u"long"_s, text);
        QVERIFY(!speech.isEmpty());
        const QString events = m_folder.filePath(u"events.jsonl"_s);
        QProcess tool;
        tool.start(QStringLiteral(TRANSCRIBE),
                   {u"--from"_s, u"en-US"_s, u"--to"_s, u"en-US"_s, u"--wav"_s, speech, u"--fast"_s,
                    u"--events"_s, events});
        QVERIFY(tool.waitForFinished(240'000));
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.exitCode(), 0);

        int resets = 0;
        QString transcript;
        QFile file(events);
        QVERIFY(file.open(QIODevice::ReadOnly));
        for (const QByteArray &line : file.readAll().split('\n')) {
            const QJsonObject event = QJsonDocument::fromJson(line).object();
            resets += event[u"event"_s] == u"reset"_s;
            if (event[u"event"_s] == u"end"_s)
                transcript = event[u"fullTranscript"_s].toString();
        }
        QVERIFY2(resets >= 2, qPrintable(QString::number(resets)));
        const double errors = wordErrorRate(text, transcript);
        qInfo("word error rate %.0f %% over %d resets", errors * 100, resets);
        QVERIFY2(errors < 0.75, qPrintable(transcript));
        // The story repeats no five words; a splice that kept both sides of an overlap would.
        QVERIFY(repeatedRuns(wordsOf(text)).isEmpty());
        QCOMPARE(repeatedRuns(wordsOf(transcript)), QStringList());
    }
};

VOXLUME_TEST_MAIN(TestTranscribeSpeech)
#include "tst_TranscribeSpeech.moc"
