// SPDX-License-Identifier: GPL-3.0-or-later
#include "Platform/Audio/WavFile.h"
#include "Platform/Speech/PocketSphinx/PocketSphinxSpeechService.h"
#include "SpokenWav.h"
#include "TestMain.h"

#include <QThread>
#include <QThreadPool>

#include <random>
#include <thread>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

// Loose: pocketsphinx gets a third to a half of these words wrong (most in the first sentence a
// decoder hears), a broken pipeline nearly all.
constexpr double mostWordsWrong = 0.8;
constexpr int decodingTimeoutMs = 60'000;

const QString spokenText = spokenStory().mid(2, 3).join(u' ');

double durationOf(const std::vector<AudioBufferPtr> &buffers)
{
    double seconds = 0.0;
    for (const AudioBufferPtr &buffer : buffers)
        seconds += buffer ? buffer->duration() : 0.0;
    return seconds;
}

std::shared_ptr<RecognitionRequest> requestWith(const std::vector<AudioBufferPtr> &buffers,
                                                bool punctuates = true)
{
    auto request = std::make_shared<RecognitionRequest>();
    request->setAddsPunctuation(punctuates);
    for (const AudioBufferPtr &buffer : buffers)
        request->append(buffer);
    return request;
}

// Everything a task emits, in order.
struct Recording
{
    explicit Recording(const RecognitionTask &task)
    {
        // Direct, so that a signal from another thread would be received there.
        QObject::connect(
            &task, &RecognitionTask::didHypothesizeTranscription, &context,
            [this](const Transcription &transcription) { received(hypotheses, transcription); },
            Qt::DirectConnection);
        QObject::connect(
            &task, &RecognitionTask::didProcessAudioDuration, &context,
            [this](double seconds) { received(processed, seconds); }, Qt::DirectConnection);
    }

    template <typename T>
    void received(QList<T> &list, const T &value)
    {
        list << value;
        onMainThreadOnly &= QThread::currentThread() == qApp->thread();
    }
    qsizetype emissions() const { return hypotheses.size() + processed.size(); }
    QString text() const { return hypotheses.value(hypotheses.size() - 1).formattedString; }
    double processedSeconds() const { return processed.value(processed.size() - 1); }

    QObject context;
    QList<Transcription> hypotheses;
    QList<double> processed;
    bool onMainThreadOnly = true;
};

// What every task's hypotheses must be: about what was said, told on the main thread and only when
// they change, with the words placed in the task's own \a seconds of audio, not in those the
// decoder heard before.
void verifyHypotheses(const Recording &recording, double seconds)
{
    QVERIFY(!recording.hypotheses.isEmpty());
    QVERIFY(recording.onMainThreadOnly);
    for (qsizetype i = 1; i < recording.hypotheses.size(); ++i)
        QVERIFY(recording.hypotheses[i] != recording.hypotheses[i - 1]);
    const double errors = wordErrorRate(spokenText, recording.text());
    qInfo("word error rate %.0f %%: %s", errors * 100, qPrintable(recording.text()));
    QVERIFY(errors < mostWordsWrong);
    const QList<TranscriptionSegment> &words = recording.hypotheses.last().segments;
    QVERIFY(words.first().timestamp > 0.0 && words.last().timestamp < seconds);
}

} // namespace

class TestPocketSphinxSpeechService : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    std::vector<AudioBufferPtr> m_speech;
    std::unique_ptr<PocketSphinxSpeechService> m_service;
    std::shared_ptr<SpeechRecognizer> m_english;

private Q_SLOTS:
    void initTestCase()
    {
        // As a capture device would deliver it: 48 kHz stereo in 1024-frame buffers.
        const QString wav = writeSpokenWav(m_folder.path(), u"speech"_s, spokenText);
        const QString converted = m_folder.filePath(u"converted.wav"_s);
        QVERIFY(!wav.isEmpty());
        QCOMPARE(
            QProcess::execute(u"sox"_s, {wav, u"-r"_s, u"48000"_s, u"-c"_s, u"2"_s, converted}), 0);
        auto file = std::get<WavFile>(WavFile::open(converted));
        for (std::vector<float> samples; !file.readFrames(1024, samples) && !samples.empty();
             samples.clear())
            m_speech.push_back(std::make_shared<const AudioBuffer>(48'000, 2, samples));

        m_service = std::make_unique<PocketSphinxSpeechService>();
        m_english = m_service->recognizer(Locale(u"en_US"_s));
        QVERIFY(m_english && m_english->isAvailable());
    }

    void recognisesAudioAppendedBeforeAndWhileTheTaskRuns()
    {
        // Before the speech, a buffer with nothing to hear; between its buffers, ones with no
        // audio at all.
        const std::vector<AudioBufferPtr> unusable{
            nullptr, std::make_shared<const AudioBuffer>(0, 2, std::vector<float>(2048, 0.5f)),
            std::make_shared<const AudioBuffer>(48'000, 0, std::vector<float>(2048, 0.5f)),
            std::make_shared<const AudioBuffer>(48'000, 2, std::vector<float>())};
        std::vector<AudioBufferPtr> audio{std::make_shared<const AudioBuffer>(
            44'100, 1, std::vector<float>(1024, std::numeric_limits<float>::quiet_NaN()))};
        for (size_t i = 0; i < m_speech.size(); ++i)
            audio.insert(audio.end(), {unusable[i % unusable.size()], m_speech[i]});
        const auto half = audio.cbegin() + qsizetype(audio.size() / 2);
        const std::shared_ptr<RecognitionRequest> request = requestWith({audio.cbegin(), half});
        const std::shared_ptr<RecognitionTask> task = m_english->recognitionTask(request);
        const Recording recording(*task);

        // Like the audio thread: a buffer every so often, while the main thread is busy elsewhere.
        std::thread([&] {
            for (auto buffer = half; buffer != audio.cend(); ++buffer) {
                request->append(*buffer);
                std::this_thread::sleep_for(1ms);
            }
        }).join();
        QCOMPARE(recording.emissions(), 0);

        QTRY_COMPARE_WITH_TIMEOUT(recording.processedSeconds(), durationOf(audio),
                                  decodingTimeoutMs);
        QVERIFY(std::is_sorted(recording.processed.cbegin(), recording.processed.cend()));
        verifyHypotheses(recording, durationOf(audio));
        QVERIFY2(recording.text().endsWith(u'.') && recording.text().front().isUpper(),
                 qPrintable(recording.text()));
    }

    // As at a reset or a stop: tasks are cancelled or destroyed mid-decoding, and the next one
    // takes over the decoder.
    void aNewTaskTakesOverFromCancelledAndDestroyedOnesAndTimesItsOwnAudio()
    {
        const std::shared_ptr<RecognitionTask> cancelled =
            m_english->recognitionTask(requestWith(m_speech));
        const Recording recordingOfCancelled(*cancelled);
        QTRY_VERIFY_WITH_TIMEOUT(recordingOfCancelled.emissions() > 0, decodingTimeoutMs);
        // Progress queues up for the task meanwhile, and must not be delivered after all.
        std::this_thread::sleep_for(300ms);
        cancelled->cancel();
        const qsizetype emitted = recordingOfCancelled.emissions();

        std::shared_ptr<RecognitionTask> destroyed =
            m_english->recognitionTask(requestWith(m_speech));
        {
            const Recording recordingOfDestroyed(*destroyed);
            QTRY_VERIFY_WITH_TIMEOUT(recordingOfDestroyed.emissions() > 0, decodingTimeoutMs);
        }
        std::this_thread::sleep_for(300ms);
        destroyed.reset();

        // The decoder has heard the audio of the tasks before: what counts is this task's own.
        // This one also leaves out the punctuation.
        const std::shared_ptr<RecognitionTask> task =
            m_english->recognitionTask(requestWith(m_speech, false));
        const Recording recording(*task);
        QTRY_COMPARE_WITH_TIMEOUT(recording.processedSeconds(), durationOf(m_speech),
                                  decodingTimeoutMs);
        QCOMPARE(recordingOfCancelled.emissions(), emitted);
        verifyHypotheses(recording, durationOf(m_speech));
        QVERIFY2(recording.text() == recording.text().toLower() && !recording.text().contains(u'.'),
                 qPrintable(recording.text()));
    }

    // As at a reset: the replacement hears the newer half of the audio again, and goes on from
    // the replaced task's decoding of it rather than decoding it anew.
    void aReplacementGoesOnFromTheTaskItReplaces()
    {
        const std::shared_ptr<RecognitionTask> replaced =
            m_english->recognitionTask(requestWith(m_speech));
        const Recording recordingOfReplaced(*replaced);
        QTRY_COMPARE_WITH_TIMEOUT(recordingOfReplaced.processedSeconds(), durationOf(m_speech),
                                  decodingTimeoutMs);
        const std::vector<AudioBufferPtr> newer(m_speech.cbegin() + qsizetype(m_speech.size() / 2),
                                                m_speech.cend());
        const std::shared_ptr<RecognitionTask> task =
            m_english->recognitionTask(requestWith(newer));
        const Recording recording(*task);
        QTRY_VERIFY_WITH_TIMEOUT(!recording.processed.isEmpty(), decodingTimeoutMs);
        // All of it at once, with the replaced task's words, timed from where it begins.
        QCOMPARE(recording.processed.first(), durationOf(newer));
        QVERIFY(recording.onMainThreadOnly);
        const QStringList words = wordsOf(recording.text());
        const QStringList replacedWords = wordsOf(recordingOfReplaced.text());
        QVERIFY(!words.isEmpty());
        QCOMPARE(replacedWords.mid(replacedWords.size() - words.size()), words);
        const QList<TranscriptionSegment> &segments = recording.hypotheses.last().segments;
        QVERIFY(segments.first().timestamp >= 0.0 && segments.last().timestamp < durationOf(newer));
    }

    void onlyLocalesWithAModelHaveARecognizer()
    {
        QVERIFY(m_service->recognizer(Locale(u"en_GB"_s)) &&
                m_service->recognizer(Locale(u"en"_s)));
        for (const QString &locale : {u"fr_FR"_s, QString(), u"../en"_s})
            QVERIFY2(!m_service->recognizer(Locale(locale)), qPrintable(locale));
    }

    void aUsersModelIsFoundByLanguageUnlessDamaged_data()
    {
        // The row's name says what is wrong with which part of the model; the rest is Debian's.
        // Prepared, the model is checked on a worker thread before the recogniser is asked for.
        QTest::addColumn<QString>("language");
        QTest::addColumn<bool>("prepared");
        QTest::newRow("sound, prepared") << u"es"_s << true;
        QTest::newRow("empty") << u"de"_s << false;
        QTest::newRow("truncated acoustic-model") << u"de"_s << false;
        QTest::newRow("garbage dictionary, prepared") << u"de"_s << true;
        // The user's folder takes precedence over Debian's model, broken or not.
        QTest::newRow("garbage") << u"en"_s << false;
    }

    void aUsersModelIsFoundByLanguageUnlessDamaged()
    {
        QFETCH(QString, language);
        QFETCH(bool, prepared);
        const QString damage = QString::fromUtf8(QTest::currentDataTag()).section(u',', 0, 0);

        const QTemporaryDir data;
        const QString model = data.filePath(u"voxlume/models/"_s + language + u'/');
        const QString debian = u"/usr/share/pocketsphinx/model/en-us/"_s;
        QVERIFY(QDir().mkpath(model + u"acoustic-model"_s));
        QByteArray garbage(5'000, Qt::Uninitialized);
        std::generate(garbage.begin(), garbage.end(),
                      [random = std::mt19937(7)]() mutable { return char(random()); });
        const auto place = [&](const QString &source, const QString &target) {
            const QString part = target.section(u'/', 0, 0).section(u'.', 0, 0);
            QFile file(model + target);
            if (damage == u"garbage"_s || damage == u"garbage "_s + part)
                return file.open(QIODevice::WriteOnly) && file.write(garbage) == garbage.size();
            if (damage == u"truncated "_s + part && target.endsWith(u"/means"_s))
                return QFile::copy(debian + source, file.fileName()) &&
                       file.resize(file.size() / 2);
            return damage == u"empty"_s || QFile::link(debian + source, file.fileName());
        };
        QVERIFY(place(u"en-us.lm.bin"_s, u"language-model.lm.bin"_s));
        QVERIFY(place(u"cmudict-en-us.dict"_s, u"dictionary.dict"_s));
        for (const QString &file : QDir(debian + u"en-us"_s).entryList(QDir::Files))
            QVERIFY(place(u"en-us/"_s + file, u"acoustic-model/"_s + file));

        const QByteArray original = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
        auto service = std::make_unique<PocketSphinxSpeechService>();
        const Locale locale(language + u"_XX"_s);
        if (prepared) {
            const QFuture<void> check = service->prepareRecognizer(locale);
            QVERIFY(!check.isFinished());
            QTRY_VERIFY_WITH_TIMEOUT(check.isFinished(), decodingTimeoutMs);
            QVERIFY(service->prepareRecognizer(locale).isFinished());
        }
        const bool found = bool(service->recognizer(locale));
        qputenv("XDG_DATA_HOME", original);
        // The decoder ends on Qt's pool, perhaps still loading: the model must outlive it.
        service.reset();
        QThreadPool::globalInstance()->waitForDone();
        QCOMPARE(found, damage == u"sound"_s);
    }

    void exitingWhileDecodingEndsCleanly()
    {
        // With the objects destroyed before the application, after it, and never.
        for (const QString &holding : {u"scoped"_s, u"static"_s, u"leaked"_s}) {
            QProcess helper;
            helper.start(QStringLiteral(SPEECH_EXIT_HELPER), {holding});
            QVERIFY(helper.waitForFinished(decodingTimeoutMs));
            const QByteArray errors = helper.readAllStandardError();
            QVERIFY2(helper.exitStatus() == QProcess::NormalExit && helper.exitCode() == 0,
                     qPrintable(holding));
            // pocketsphinx logs to standard error unless silenced.
            QVERIFY2(!errors.contains("INFO:") && !errors.contains("configuration"),
                     errors.left(300));
        }
    }
};

VOXLUME_TEST_MAIN(TestPocketSphinxSpeechService)
#include "tst_PocketSphinxSpeechService.moc"
