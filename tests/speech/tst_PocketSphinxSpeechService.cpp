// SPDX-License-Identifier: GPL-3.0-or-later
#include "Platform/Speech/PocketSphinx/PocketSphinxSpeechService.h"
#include "SpokenAudio.h"
#include "TestMain.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <random>
#include <thread>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

// pocketsphinx gets 40 to 85 % of espeak-ng's words right (least on the first sentence a decoder
// hears), a broken pipeline about 10 %, mostly "the".
constexpr double enoughWordsHeard = 0.3;
constexpr int decodingTimeoutMs = 60'000;

const QString debianModel = u"/usr/share/pocketsphinx/model/en-us"_s;

QStringList sentences()
{
    return {u"The weather today is sunny with a light breeze from the west."_s,
            u"We will meet at the library after lunch to talk about the project."_s,
            u"Please remember to turn off the lights when you leave the room."_s};
}

QStringList wordsOf(const QString &text)
{
    static const QRegularExpression separator(u"[^a-z']+"_s);
    return text.toLower().split(separator, Qt::SkipEmptyParts);
}

double shareOfWordsHeard(const QStringList &spoken, const QString &heard)
{
    QStringList unmatched = wordsOf(heard);
    const QStringList expected = wordsOf(spoken.join(u' '));
    qsizetype found = 0;
    for (const QString &word : expected) {
        if (unmatched.removeOne(word))
            ++found;
    }
    return double(found) / double(expected.size());
}

// Everything a task emits, in order.
struct Recording
{
    explicit Recording(const RecognitionTask &task)
    {
        QObject::connect(&task, &RecognitionTask::didHypothesizeTranscription, &context,
                         [this](const Transcription &transcription) {
                             hypotheses << transcription;
                             onMainThreadOnly &= QThread::currentThread() == qApp->thread();
                         });
        QObject::connect(&task, &RecognitionTask::didProcessAudioDuration, &context,
                         [this](double seconds) {
                             processed << seconds;
                             onMainThreadOnly &= QThread::currentThread() == qApp->thread();
                         });
    }

    qsizetype emissions() const { return hypotheses.size() + processed.size(); }
    double processedSeconds() const { return processed.isEmpty() ? 0.0 : processed.last(); }
    QString text() const
    {
        return hypotheses.isEmpty() ? QString() : hypotheses.last().formattedString;
    }

    QObject context;
    QList<Transcription> hypotheses;
    QList<double> processed;
    bool onMainThreadOnly = true;
};

// A word's place: its sentence (each begins with a capital) and its index in that sentence.
using Place = std::pair<qsizetype, qsizetype>;
struct PlacedWord
{
    QString text;
    double timestamp;
};

QMap<Place, PlacedWord> placedWords(const Transcription &transcription)
{
    QMap<Place, PlacedWord> words;
    qsizetype sentence = -1;
    qsizetype index = 0;
    for (const TranscriptionSegment &segment : transcription.segments) {
        const QString text = transcription.formattedString.mid(segment.location, segment.length);
        if (text.front().isUpper()) {
            ++sentence;
            index = 0;
        }
        words.insert({sentence, index++}, {text.toLower(), segment.timestamp});
    }
    return words;
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

void writeGarbage(const QString &path, qsizetype size)
{
    std::mt19937 random(size);
    QByteArray bytes(size, Qt::Uninitialized);
    std::generate(bytes.begin(), bytes.end(), [&] { return char(random()); });
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void linkDebianModel(const QString &folder, const QStringList &parts)
{
    QVERIFY(QDir().mkpath(folder));
    const QMap<QString, QString> targets{
        {u"acoustic-model"_s, debianModel + u"/en-us"_s},
        {u"language-model.lm.bin"_s, debianModel + u"/en-us.lm.bin"_s},
        {u"dictionary.dict"_s, debianModel + u"/cmudict-en-us.dict"_s}};
    for (const QString &part : parts)
        QVERIFY(QFile::link(targets[part], folder + u'/' + part));
}

} // namespace

class TestPocketSphinxSpeechService : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SpokenAudio> m_speech;
    std::unique_ptr<PocketSphinxSpeechService> m_service;
    std::shared_ptr<SpeechRecognizer> m_english;

    // Waits until the task has reported all of \a seconds.
    static bool decodesAll(const Recording &recording, double seconds)
    {
        return QTest::qWaitFor([&] { return recording.processedSeconds() >= seconds - 1e-9; },
                               decodingTimeoutMs);
    }

    static void verifyHypotheses(const Recording &recording)
    {
        QVERIFY(!recording.hypotheses.isEmpty());
        QVERIFY(recording.onMainThreadOnly);
        QMap<Place, PlacedWord> before;
        for (const Transcription &hypothesis : recording.hypotheses) {
            double previous = 0.0;
            for (const TranscriptionSegment &segment : hypothesis.segments) {
                QVERIFY(segment.length > 0);
                QVERIFY(segment.location + segment.length <= hypothesis.formattedString.size());
                QVERIFY(segment.timestamp >= previous);
                previous = segment.timestamp;
            }
            const QMap<Place, PlacedWord> now = placedWords(hypothesis);
            for (auto word = now.cbegin(); word != now.cend(); ++word) {
                const auto earlier = before.constFind(word.key());
                if (earlier != before.cend() && earlier->text == word->text)
                    QCOMPARE(word->timestamp, earlier->timestamp);
            }
            before = now;
        }
        for (qsizetype i = 1; i < recording.hypotheses.size(); ++i)
            QVERIFY(recording.hypotheses[i] != recording.hypotheses[i - 1]);
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_speech = std::make_unique<SpokenAudio>(sentences());
        QVERIFY2(m_speech->error().isEmpty(), qPrintable(m_speech->error()));
        m_service = std::make_unique<PocketSphinxSpeechService>();
        m_english = m_service->recognizer(Locale(u"en_US"_s));
        QVERIFY(m_english);
        QVERIFY(m_english->isAvailable());
    }

    void recognisesAudioAppendedBeforeAndWhileTheTaskRuns()
    {
        const std::vector<AudioBufferPtr> &buffers = m_speech->buffers();
        const auto half = buffers.cbegin() + qsizetype(buffers.size() / 2);
        const std::shared_ptr<RecognitionRequest> request = requestWith({buffers.cbegin(), half});
        const std::shared_ptr<RecognitionTask> task = m_english->recognitionTask(request);
        const Recording recording(*task);

        // Like the audio thread: a buffer every so often, while the main thread is busy elsewhere.
        std::thread audio([&] {
            for (auto buffer = half; buffer != buffers.cend(); ++buffer) {
                request->append(*buffer);
                std::this_thread::sleep_for(1ms);
            }
        });
        audio.join();
        QCOMPARE(recording.emissions(), 0);

        QVERIFY(decodesAll(recording, m_speech->duration()));
        QCOMPARE(recording.processedSeconds(), m_speech->duration());
        QVERIFY(std::is_sorted(recording.processed.cbegin(), recording.processed.cend()));
        verifyHypotheses(recording);
        const QString text = recording.text();
        QVERIFY2(shareOfWordsHeard(sentences(), text) >= enoughWordsHeard, qPrintable(text));
        QVERIFY2(text.endsWith(u'.'), qPrintable(text));
        QVERIFY2(text.front().isUpper(), qPrintable(text));
        // The speech begins after a second of noise.
        const double firstWord = recording.hypotheses.last().segments.first().timestamp;
        QVERIFY2(firstWord > 0.5 && firstWord < 2.0, QByteArray::number(firstWord));
    }

    void cancelledAndDestroyedTasksFallSilent()
    {
        const std::shared_ptr<RecognitionTask> cancelledAtOnce =
            m_english->recognitionTask(requestWith(m_speech->buffers()));
        const Recording silent(*cancelledAtOnce);
        cancelledAtOnce->cancel();

        const std::shared_ptr<RecognitionTask> task =
            m_english->recognitionTask(requestWith(m_speech->buffers()));
        const Recording recording(*task);
        QVERIFY(QTest::qWaitFor([&] { return recording.emissions() > 0; }, decodingTimeoutMs));
        // Progress queues up for the task meanwhile, and must not be delivered after all.
        std::this_thread::sleep_for(300ms);
        task->cancel();
        const qsizetype emitted = recording.emissions();

        std::shared_ptr<RecognitionTask> destroyed =
            m_english->recognitionTask(requestWith(m_speech->buffers()));
        {
            const Recording recordingOfDestroyed(*destroyed);
            QVERIFY(QTest::qWaitFor([&] { return recordingOfDestroyed.emissions() > 0; },
                                    decodingTimeoutMs));
        }
        std::this_thread::sleep_for(300ms);
        destroyed.reset();

        // Long enough for the rest of the audio to be decoded, had it not been stopped.
        QTest::qWait(1'000);
        QCOMPARE(recording.emissions(), emitted);
        QCOMPARE(silent.emissions(), 0);
    }

    void aNewTaskTakesOverTheDecoderAndTimesItsOwnAudio()
    {
        const std::shared_ptr<RecognitionTask> older =
            m_english->recognitionTask(requestWith(m_speech->buffers()));
        const Recording recordingOfOlder(*older);
        QVERIFY(
            QTest::qWaitFor([&] { return recordingOfOlder.emissions() > 0; }, decodingTimeoutMs));

        // The decoder has heard the audio of the tasks before: what counts is this task's own.
        const std::shared_ptr<RecognitionTask> task =
            m_english->recognitionTask(requestWith(m_speech->buffers()));
        const Recording recording(*task);
        QVERIFY(QTest::qWaitFor([&] { return recording.emissions() > 0; }, decodingTimeoutMs));
        const qsizetype emittedByOlder = recordingOfOlder.emissions();
        QVERIFY(decodesAll(recording, m_speech->duration()));

        QCOMPARE(recordingOfOlder.emissions(), emittedByOlder);
        verifyHypotheses(recording);
        QVERIFY2(shareOfWordsHeard(sentences(), recording.text()) >= enoughWordsHeard,
                 qPrintable(recording.text()));
        const double firstWord = recording.hypotheses.last().segments.first().timestamp;
        QVERIFY2(firstWord > 0.5 && firstWord < 2.0, QByteArray::number(firstWord));
    }

    void punctuationCanBeLeftOut()
    {
        const SpokenAudio speech(sentences().mid(1, 1));
        QVERIFY2(speech.error().isEmpty(), qPrintable(speech.error()));
        const std::shared_ptr<RecognitionTask> task =
            m_english->recognitionTask(requestWith(speech.buffers(), false));
        const Recording recording(*task);
        QVERIFY(decodesAll(recording, speech.duration()));

        const QString text = recording.text();
        QVERIFY2(shareOfWordsHeard(sentences().mid(1, 1), text) >= enoughWordsHeard,
                 qPrintable(text));
        QCOMPARE(text, text.toLower());
        QVERIFY2(!text.contains(u'.'), qPrintable(text));
    }

    void oddAudioIsSkippedAndTheRestHeard()
    {
        const SpokenAudio speech(sentences().mid(2, 1), 44'100, 1);
        QVERIFY2(speech.error().isEmpty(), qPrintable(speech.error()));
        // Each between two buffers of the speech; none of them adds any audio.
        const std::vector<AudioBufferPtr> unusable{
            nullptr, std::make_shared<const AudioBuffer>(0, 2, std::vector<float>(2048, 0.5f)),
            std::make_shared<const AudioBuffer>(48'000, 0, std::vector<float>(2048, 0.5f)),
            std::make_shared<const AudioBuffer>(48'000, 2, std::vector<float>())};
        const auto notANumber = std::make_shared<const AudioBuffer>(
            44'100, 1, std::vector<float>(1024, std::numeric_limits<float>::quiet_NaN()));
        const std::shared_ptr<RecognitionRequest> request = requestWith({notANumber});
        for (size_t i = 0; i < speech.buffers().size(); ++i) {
            request->append(unusable[i % unusable.size()]);
            request->append(speech.buffers()[i]);
        }
        const std::shared_ptr<RecognitionTask> task = m_english->recognitionTask(request);
        const Recording recording(*task);
        QVERIFY(decodesAll(recording, notANumber->duration() + speech.duration()));

        QVERIFY2(shareOfWordsHeard(sentences().mid(2, 1), recording.text()) >= enoughWordsHeard,
                 qPrintable(recording.text()));
    }

    void onlyLocalesWithAModelHaveARecognizer()
    {
        QVERIFY(m_service->recognizer(Locale(u"en_GB"_s)));
        QVERIFY(m_service->recognizer(Locale(u"en"_s)));
        QVERIFY(!m_service->recognizer(Locale(u"fr_FR"_s)));
        QVERIFY(!m_service->recognizer(Locale(u"zh_Hant_TW"_s)));
        QVERIFY(!m_service->recognizer(Locale(QString())));
        QVERIFY(!m_service->recognizer(Locale(u"../en"_s)));
    }

    void theUsersModelsAreFoundByLanguage()
    {
        const QTemporaryDir data;
        const QByteArray original = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
        linkDebianModel(data.filePath(u"voxlume/models/es"_s),
                        {u"acoustic-model"_s, u"language-model.lm.bin"_s, u"dictionary.dict"_s});

        PocketSphinxSpeechService service;
        const std::shared_ptr<SpeechRecognizer> recognizer = service.recognizer(Locale(u"es_ES"_s));
        qputenv("XDG_DATA_HOME", original);
        QVERIFY(recognizer);
        QVERIFY(recognizer->isAvailable());
    }

    void damagedModelsHaveNoRecognizer_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("damage");
        QTest::newRow("empty folder") << u"de"_s << u"empty"_s;
        QTest::newRow("garbage files") << u"de"_s << u"garbage"_s;
        QTest::newRow("truncated acoustic model") << u"de"_s << u"truncated"_s;
        QTest::newRow("garbage language model") << u"de"_s << u"garbage language model"_s;
        QTest::newRow("garbage dictionary") << u"de"_s << u"garbage dictionary"_s;
        // The user's folder takes precedence over Debian's model, broken or not.
        QTest::newRow("the user's English model") << u"en"_s << u"garbage"_s;
    }

    void damagedModelsHaveNoRecognizer()
    {
        QFETCH(QString, language);
        QFETCH(QString, damage);
        const QTemporaryDir data;
        const QString model = data.filePath(u"voxlume/models/"_s + language);
        QVERIFY(QDir().mkpath(model));
        if (damage == u"garbage"_s) {
            QVERIFY(QDir().mkpath(model + u"/acoustic-model"_s));
            for (const QString &file : QDir(debianModel + u"/en-us"_s).entryList(QDir::Files))
                writeGarbage(model + u"/acoustic-model/"_s + file, 5'000);
            writeGarbage(model + u"/language-model.lm.bin"_s, 5'000);
            writeGarbage(model + u"/dictionary.dict"_s, 5'000);
        } else if (damage == u"truncated"_s) {
            linkDebianModel(model, {u"language-model.lm.bin"_s, u"dictionary.dict"_s});
            const QString acoustic = model + u"/acoustic-model"_s;
            QVERIFY(QDir().mkpath(acoustic));
            for (const QString &file : QDir(debianModel + u"/en-us"_s).entryList(QDir::Files))
                QVERIFY(QFile::copy(debianModel + u"/en-us/"_s + file, acoustic + u'/' + file));
            QFile means(acoustic + u"/means"_s);
            QVERIFY(means.resize(means.size() / 2));
        } else if (damage == u"garbage language model"_s) {
            linkDebianModel(model, {u"acoustic-model"_s, u"dictionary.dict"_s});
            writeGarbage(model + u"/language-model.lm.bin"_s, 5'000);
        } else if (damage == u"garbage dictionary"_s) {
            linkDebianModel(model, {u"acoustic-model"_s, u"language-model.lm.bin"_s});
            writeGarbage(model + u"/dictionary.dict"_s, 5'000);
        }

        const QByteArray original = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
        PocketSphinxSpeechService service;
        const std::shared_ptr<SpeechRecognizer> recognizer =
            service.recognizer(Locale(language + u"_XX"_s));
        qputenv("XDG_DATA_HOME", original);
        QVERIFY(!recognizer);
    }

    void exitingWhileDecodingEndsCleanly_data()
    {
        QTest::addColumn<QString>("holding");
        QTest::newRow("objects destroyed before the application") << u"scoped"_s;
        QTest::newRow("static objects") << u"static"_s;
        QTest::newRow("objects never destroyed") << u"leaked"_s;
    }

    void exitingWhileDecodingEndsCleanly()
    {
        QFETCH(QString, holding);
        QProcess helper;
        helper.start(QStringLiteral(SPEECH_EXIT_HELPER), {holding});
        QVERIFY(helper.waitForFinished(decodingTimeoutMs));
        const QByteArray errors = helper.readAllStandardError();
        QCOMPARE(helper.exitStatus(), QProcess::NormalExit);
        QCOMPARE(helper.exitCode(), 0);
        // pocketsphinx logs to standard error unless silenced.
        QVERIFY2(!errors.contains("INFO:") && !errors.contains("configuration"), errors.left(300));
    }
};

VOXLUME_TEST_MAIN(TestPocketSphinxSpeechService)
#include "tst_PocketSphinxSpeechService.moc"
