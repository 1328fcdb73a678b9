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
#include <QRegularExpression>
#include <csignal>
#include <numeric>

using namespace Qt::Literals::StringLiterals;

namespace {

const QStringList &story = spokenStory();

QStringList wordsOf(const QString &text)
{
    static const QRegularExpression word(u"[a-z']+"_s);
    QStringList words;
    for (auto match = word.globalMatch(text.toLower()); match.hasNext();)
        words << match.next().captured();
    return words;
}

double wordErrorRate(const QStringList &reference, const QStringList &hypothesis)
{
    QList<qsizetype> distances(hypothesis.size() + 1);
    std::iota(distances.begin(), distances.end(), 0);
    for (qsizetype i = 1; i <= reference.size(); ++i) {
        qsizetype diagonal = distances[0];
        distances[0] = i;
        for (qsizetype j = 1; j <= hypothesis.size(); ++j) {
            const qsizetype substitution = diagonal + (reference[i - 1] != hypothesis[j - 1]);
            diagonal = distances[j];
            distances[j] = std::min({distances[j] + 1, distances[j - 1] + 1, substitution});
        }
    }
    return double(distances.last()) / double(reference.size());
}

// Runs of five words that stand twice in \a words.
QStringList repeatedRuns(const QStringList &words)
{
    QSet<QString> seen;
    QStringList repeated;
    for (qsizetype i = 0; i + 5 <= words.size(); ++i) {
        const QString run = words.mid(i, 5).join(u' ');
        if (seen.contains(run))
            repeated << run;
        seen.insert(run);
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
    QString m_shortSpeech;
    QString m_longSpeech;

    Run
    transcribe(const QStringList &arguments,
               const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
               const std::function<void(QProcess &)> &whileRunning = {})
    {
        const QString events = m_folder.filePath(u"events.jsonl"_s);
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(TRANSCRIBE), QStringList{u"--from"_s, u"en-US"_s, u"--to"_s,
                                                              u"en-US"_s, u"--events"_s, events} +
                                                      arguments);
        if (whileRunning && process.waitForStarted())
            whileRunning(process);
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
    void initTestCase()
    {
        m_shortSpeech = writeSpokenWav(m_folder.path(), u"short"_s, story.mid(2, 3).join(u' '));
        m_longSpeech = writeSpokenWav(m_folder.path(), u"long"_s, story.join(u' '));
        QVERIFY2(!m_shortSpeech.isEmpty() && !m_longSpeech.isEmpty(),
                 "espeak-ng and sox make the speech");
    }

    void theWordsComeOutOfAFile()
    {
        const Run result = transcribe({u"--wav"_s, m_shortSpeech, u"--fast"_s});
        QCOMPARE(result.exitCode, 0);
        const double errors =
            wordErrorRate(wordsOf(story.mid(2, 3).join(u' ')), wordsOf(result.fullTranscript));
        qInfo("word error rate %.0f %%: %s", errors * 100, qPrintable(result.fullTranscript));
        QVERIFY(errors < 0.7);
    }

    void aLongRecordingIsSplicedWithoutRepeats()
    {
        const Run result = transcribe({u"--wav"_s, m_longSpeech, u"--fast"_s});
        QCOMPARE(result.exitCode, 0);
        QVERIFY2(result.resets >= 2, qPrintable(QString::number(result.resets)));
        const QStringList words = wordsOf(result.fullTranscript);
        const double errors = wordErrorRate(wordsOf(story.join(u' ')), words);
        qInfo("word error rate %.0f %% over %d resets", errors * 100, result.resets);
        QVERIFY2(errors < 0.75, qPrintable(result.fullTranscript));
        // The story repeats no five words; a splice that kept both sides of an overlap would.
        QVERIFY(repeatedRuns(wordsOf(story.join(u' '))).isEmpty());
        QCOMPARE(repeatedRuns(words), QStringList());
    }

    void theMicrophoneIsHeard()
    {
        PrivateSoundServer server;
        QVERIFY(server.start());
        QVERIFY(
            server.pactl({u"load-module"_s, u"module-null-sink"_s, u"sink_name=feed"_s,
                          u"format=s16le"_s, u"rate=16000"_s, u"channels=1"_s, u"norewinds=1"_s}));
        QVERIFY(server.pactl({u"load-module"_s, u"module-remap-source"_s, u"master=feed.monitor"_s,
                              u"source_name=virtmic"_s}));

        // The tool captures the device chosen in its settings.
        QTemporaryDir config;
        QDir().mkpath(config.filePath(u"Voxlume"_s));
        QFile settings(config.filePath(u"Voxlume/Voxlume.ini"_s));
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write("[General]\nselectedInputDevice=virtmic\n");
        settings.close();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"PULSE_SERVER"_s, server.address());
        environment.insert(u"XDG_CONFIG_HOME"_s, config.path());

        const Run result = transcribe({u"--microphone"_s}, environment, [&](QProcess &tool) {
            QTest::qWait(2000); // the recogniser's first load
            server.play(u"feed"_s, m_shortSpeech);
            QTest::qWait(3000);
            ::kill(pid_t(tool.processId()), SIGTERM);
        });
        QVERIFY2(result.exitCode == 0, qPrintable(result.errors));
        const double errors =
            wordErrorRate(wordsOf(story.mid(2, 3).join(u' ')), wordsOf(result.fullTranscript));
        qInfo("word error rate %.0f %%: %s", errors * 100, qPrintable(result.fullTranscript));
        QVERIFY(errors < 0.8);
    }
};

VOXLUME_TEST_MAIN(TestTranscribeSpeech)
#include "tst_TranscribeSpeech.moc"
