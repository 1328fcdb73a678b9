// SPDX-License-Identifier: GPL-3.0-or-later
#include "ListeningModel.h"
#include "LogCapture.h"
#include "Platform/Audio/ManualAudioEngine.h"
#include "Platform/Speech/Scripted/ScriptedSpeechService.h"
#include "RecordingListeningDelegate.h"
#include "SettingsKeys.h"
#include "TestMain.h"
#include "TimedWords.h"

#include <QSignalSpy>

using namespace Qt::Literals::StringLiterals;

namespace {

AudioBufferPtr oneSecondBuffer()
{
    return std::make_shared<const AudioBuffer>(1000, 1, std::vector<float>(1000, 0.1f));
}

} // namespace

class TestListeningModel : public QObject
{
    Q_OBJECT

private:
    std::shared_ptr<ScriptedSpeechService> m_speech;
    ManualAudioEngine *m_engine = nullptr;
    std::unique_ptr<ListeningModel> m_model;
    std::unique_ptr<RecordingListeningDelegate> m_delegate;

    ListeningModel &model() { return *m_model; }
    ScriptedRecognitionTask *task(int number) { return m_speech->tasks().value(number - 1); }

    void startListening()
    {
        model().scheduleStartListening();
        QVERIFY(!model().isListening());
        QTRY_VERIFY(model().isListening());
    }

    // A run whose first task has said \a text and processed 30 s: the reset follows.
    void runUntilFirstReset(const QString &text)
    {
        startListening();
        task(1)->hypothesize(timedWords(text, 0.5));
        task(1)->processAudio(30.0);
        QCOMPARE(m_speech->tasks().size(), 2);
    }

private Q_SLOTS:
    void init()
    {
        m_speech = std::make_shared<ScriptedSpeechService>();
        auto engine = std::make_unique<ManualAudioEngine>();
        m_engine = engine.get();
        m_model = std::make_unique<ListeningModel>(m_speech, std::move(engine));
        m_delegate = std::make_unique<RecordingListeningDelegate>();
        model().setDelegate(m_delegate.get());
        model().setSourceLanguage(Language(u"en"_s, {}, u"US"_s));
        SettingsStore::shared().remove(u"showErrors"_s);
    }

    void cleanup()
    {
        m_model.reset();
        m_delegate.reset();
    }

    void hypothesesBecomeTheDisplayText()
    {
        const LogCapture log;
        startListening();
        QCOMPARE(m_delegate->calls, QStringList{u"start"_s});
        task(1)->hypothesize(timedWords(u"Hello world."_s, 0.2));
        QCOMPARE(model().sourceText(), u"Hello world."_s);
        QCOMPARE(model().currentSegmentTranscription(), u"Hello world."_s);
        QCOMPARE(m_delegate->calls, (QStringList{u"start"_s, u"transcription"_s}));
        QCOMPARE(log.breadcrumbs(),
                 (QStringList{u"Starting listening"_s, u"New transcription segment (length 12"_s}));
    }

    void startingTwiceOrStoppingWhenStoppedOnlyLogs()
    {
        const LogCapture log;
        model().stopListening();
        startListening();
        model().startListening();
        QCOMPARE(log.breadcrumbs(),
                 (QStringList{u"Ignoring request to stop listening, not listening"_s,
                              u"Starting listening"_s,
                              u"Ignoring request to start listening, already listening"_s}));
        QCOMPARE(m_delegate->calls, QStringList{u"start"_s});
        QCOMPARE(m_speech->tasks().size(), 1);
    }

    void theResetComesAtThirtySecondsAndReplaysTheNewestHalf_data()
    {
        QTest::addColumn<int>("buffers");
        QTest::addColumn<int>("kept");
        QTest::newRow("seven keep three") << 7 << 3;
        QTest::newRow("one keeps none") << 1 << 0;
    }

    void theResetComesAtThirtySecondsAndReplaysTheNewestHalf()
    {
        QFETCH(int, buffers);
        QFETCH(int, kept);

        startListening();
        for (int i = 0; i < buffers; ++i)
            m_engine->deliver(oneSecondBuffer());
        QCOMPARE(task(1)->takeAudioDuration(), double(buffers));
        task(1)->hypothesize(timedWords(u"Old words."_s, 1.0));

        task(1)->processAudio(29.99);
        QCOMPARE(m_speech->tasks().size(), 1);
        task(1)->processAudio(30.0);
        QCOMPARE(m_speech->tasks().size(), 2);
        QVERIFY(task(1)->isCancelled());
        QCOMPARE(model().audioBufferCount(), kept);
        QCOMPARE(task(2)->takeAudioDuration(), double(kept));
        QCOMPARE(model().ignoreTranscriptionUntil(), 15.0);
        QCOMPARE(model().lastProcessedAudioDuration(), 0.0);
        QCOMPARE(model().fullTranscript(), u"Old words."_s);

        // Live audio goes to the new task from now on.
        m_engine->deliver(oneSecondBuffer());
        QCOMPARE(task(2)->takeAudioDuration(), 1.0);
    }

    void theNewTaskIsIgnoredUntilItHasCaughtUp()
    {
        runUntilFirstReset(u"We went to the park. It was"_s);
        const LogCapture log;
        task(2)->processAudio(14.9);
        task(2)->hypothesize(timedWords(u"It was"_s, 13.0));
        QCOMPARE(model().currentSegmentTranscription(), u"We went to the park. It was"_s);
        QCOMPARE(model().sourceText(), u"We went to the park. It was"_s);
        QVERIFY(log.breadcrumbs().isEmpty());

        task(2)->processAudio(15.0);
        task(2)->hypothesize(timedWords(u"It was sunny and warm."_s, 13.0));
        QVERIFY(!model().ignoreTranscriptionUntil());
        QCOMPARE(log.breadcrumbs().first(), u"Resuming transcription after buffer reset"_s);
        QCOMPARE(model().fullTranscript(), u"We went to the park. It was sunny and warm"_s);
        QCOMPARE(model().sourceText(), u"It was sunny and warm."_s);
    }

    void anOldTaskChangesNothing()
    {
        runUntilFirstReset(u"First task text."_s);
        const QString transcript = model().fullTranscript();
        const qsizetype calls = m_delegate->calls.size();
        task(1)->hypothesize(timedWords(u"Late words."_s, 2.0));
        task(1)->processAudio(45.0);
        QCOMPARE(m_speech->tasks().size(), 2);
        QCOMPARE(model().currentSegmentTranscription(), u"First task text."_s);
        QCOMPARE(model().fullTranscript(), transcript);
        QCOMPARE(model().ignoreTranscriptionUntil(), 15.0);
        QCOMPARE(m_delegate->calls.size(), calls);
    }

    void stoppingMergesTheLastTextAndClosesTheRun()
    {
        startListening();
        task(1)->hypothesize(timedWords(u"Something said."_s, 0.3));
        model().stopListening();
        QVERIFY(!model().isListening());
        QVERIFY(task(1)->isCancelled());
        QCOMPARE(model().fullTranscript(), u"Something said."_s);
        QCOMPARE(model().fullTranscriptSolidifiedUntilIndex(), model().fullTranscript().size());
        QCOMPARE(m_delegate->calls.mid(2), (QStringList{u"full"_s, u"stop"_s}));

        // The next run adds to the first and never rewrites it.
        startListening();
        task(2)->hypothesize(timedWords(u"said again."_s, 0.3));
        model().stopListening();
        QCOMPARE(model().fullTranscript(), u"Something said. said again."_s);
    }

    void aTaskThatHeardOnlySilenceAppends()
    {
        runUntilFirstReset(u"The cat sat on the mat."_s);
        task(2)->processAudio(16.0);
        // Every word comes after the replayed half: the old task's words are not in it.
        task(2)->hypothesize(timedWords(u"Then the dog came."_s, 15.5));
        QCOMPARE(model().fullTranscript(), u"The cat sat on the mat. Then the dog came."_s);
        QCOMPARE(model().fullTranscriptSolidifiedUntilIndex(), 23);

        // The task's later texts replace its own, and never reach back into the old one.
        task(2)->hypothesize(timedWords(u"Then the dog came home at last."_s, 15.5));
        model().stopListening();
        QCOMPARE(model().fullTranscript(),
                 u"The cat sat on the mat. Then the dog came home at last."_s);
    }

    void changingTheLanguageStopsListening()
    {
        const LogCapture log;
        startListening();
        task(1)->hypothesize(timedWords(u"Bonjour."_s, 0.2));
        model().setSourceLanguage(Language(u"fr"_s, {}, u"FR"_s));
        QVERIFY(!model().isListening());
        QVERIFY(!model().sourceText());
        QCOMPARE(model().fullTranscript(), u"Bonjour."_s);
        QVERIFY(log.lines().contains(u"Asset request completed for NLTagger assets"_s));

        model().setSourceLanguage(std::nullopt);
        QCOMPARE(log.lines().count(u"Asset request completed for NLTagger assets"_s), 1);
        QCOMPARE(log.breadcrumbs().last(), u"Ignoring request to stop listening, not listening"_s);
    }

    void failuresBecomeErrorMessages_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("message");
        QTest::newRow("unsupported")
            << u"unsupported"_s << u"Speech recognition is not supported for en_US."_s;
        QTest::newRow("unavailable")
            << u"unavailable"_s << u"Speech recognition is not available."_s;
        QTest::newRow("no microphone") << u"engine"_s << u"No microphone was found."_s;
    }

    void failuresBecomeErrorMessages()
    {
        QFETCH(QString, failure);
        QFETCH(QString, message);
        if (failure == u"unsupported")
            m_speech->setSupportedLanguageCodes({u"de"_s});
        if (failure == u"unavailable")
            m_speech->setAvailable(false);
        if (failure == u"engine")
            m_engine->failNextStart(Error::fromMessage(message, u"AudioEngine"_s, 1));

        const LogCapture log;
        model().startListening();
        QCOMPARE(model().errorMessage(), message);
        QVERIFY(!model().isListening());
        QCOMPARE(m_delegate->calls, (QStringList{u"start"_s, u"stop"_s}));
        QVERIFY(!model().shouldShowError());
        // Reported to the crash reporter, named after the model, even though not shown.
        const QStringList lines = log.lines();
        QVERIFY(std::any_of(lines.cbegin(), lines.cend(), [&](const QString &line) {
            return line.startsWith(u"Error: Error Domain=ListeningModel:_errorMessage Code="_s) &&
                   line.contains(message);
        }));
        model().stopListening();
        QCOMPARE(log.breadcrumbs().last(), u"Ignoring request to stop listening, not listening"_s);
    }

    void errorsAreShownOnlyWhenTheUserAsks()
    {
        model().setErrorMessage(u"first"_s);
        QVERIFY(!model().shouldShowError());
        Setting(SettingsKeys::showErrors).setValue(true);
        model().setErrorMessage(u"second"_s);
        QVERIFY(model().shouldShowError());
        model().setErrorMessage(std::nullopt);
        QVERIFY(!model().shouldShowError());
    }

    void refusedPermissionIsAnError()
    {
        m_speech->setAuthorizationStatus(SpeechService::AuthorizationStatus::Denied);
        ListeningModel refused(m_speech, std::make_unique<ManualAudioEngine>());
        QTRY_COMPARE(refused.errorMessage(), u"Speech recognition is not authorized."_s);
    }

    void aMicrophoneThatGoesAwayEndsTheRunCleanly()
    {
        startListening();
        task(1)->hypothesize(timedWords(u"Words before the failure."_s, 0.4));
        m_engine->fail(Error::fromMessage(u"The microphone was disconnected."_s, u"Audio"_s, 2));
        QVERIFY(!model().isListening());
        QCOMPARE(model().fullTranscript(), u"Words before the failure."_s);
        QCOMPARE(m_delegate->calls.last(), u"stop"_s);
        QCOMPARE(model().errorMessage(), u"The microphone was disconnected."_s);
    }

    void theTapAndTheResetShareTheirStateSafely()
    {
        startListening();
        std::atomic<bool> done = false;
        std::thread audio([&] {
            while (!done)
                m_engine->deliver(oneSecondBuffer());
        });
        for (int reset = 0; reset < 200; ++reset) {
            task(reset + 1)->processAudio(30.0);
            QCOMPARE(m_speech->tasks().size(), reset + 2);
        }
        done = true;
        audio.join();
        model().stopListening();
    }
};

VOXLUME_TEST_MAIN(TestListeningModel)
#include "tst_ListeningModel.moc"
