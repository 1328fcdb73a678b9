// SPDX-License-Identifier: GPL-3.0-or-later
#include "Models/ListeningModel.h"
#include "Platform/Audio/ManualAudioEngine.h"
#include "Platform/Speech/Scripted/ScriptedSpeechService.h"
#include "RecordingListeningDelegate.h"
#include "TestMain.h"
#include "TimedWords.h"

#include <atomic>
#include <thread>

using namespace Qt::Literals::StringLiterals;

namespace {

AudioBufferPtr oneSecondBuffer()
{
    return std::make_shared<const AudioBuffer>(1000, 1, std::vector<float>(1000, 0.1f));
}

// Answers the permission request on a thread of its own, as a platform does, and counts the
// answers: a case ends once its answers are in, as one still on its way when the application
// ends would be freed there in an order that ThreadSanitizer cannot see.
class AnsweringSpeechService : public ScriptedSpeechService
{
public:
    void requestAuthorization(std::function<void(AuthorizationStatus)> handler) override
    {
        ++requested;
        ScriptedSpeechService::requestAuthorization(
            [handler = std::move(handler), answered = answered](AuthorizationStatus status) {
                handler(status);
                ++*answered;
            });
    }

    int requested = 0;
    const std::shared_ptr<std::atomic<int>> answered = std::make_shared<std::atomic<int>>(0);
};

} // namespace

// Listening runs and their recognition resets, and how the hypotheses of their tasks reach the
// transcript and the display.
class TestListeningModel : public QObject
{
    Q_OBJECT

private:
    std::shared_ptr<AnsweringSpeechService> m_speech;
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
        m_speech = std::make_shared<AnsweringSpeechService>();
        auto engine = std::make_unique<ManualAudioEngine>();
        m_engine = engine.get();
        m_model = std::make_unique<ListeningModel>(m_speech, std::move(engine));
        m_delegate = std::make_unique<RecordingListeningDelegate>();
        model().setDelegate(m_delegate.get());
        model().setSourceLanguage(Language(u"en"_s, {}, u"US"_s));
    }

    void cleanup()
    {
        QTRY_COMPARE(m_speech->answered->load(), m_speech->requested);
        m_model.reset();
        m_delegate.reset();
    }

    void aRunShowsItsHypothesesAndStoppingMergesTheLastOne()
    {
        startListening();
        task(1)->hypothesize(timedWords(u"Something said."_s, 0.3));
        QCOMPARE(model().sourceText(), u"Something said."_s);
        QCOMPARE(model().fullTranscript(), QString());

        model().stopListening();
        QVERIFY(!model().isListening());
        QVERIFY(task(1)->isCancelled());
        QCOMPARE(model().fullTranscript(), u"Something said."_s);
        QCOMPARE(model().transcriptAssembly().solidifiedUntilIndex(),
                 model().fullTranscript().size());
        // The finished sentence is handed on as soon as it is heard, and merged at the stop; its
        // cue waits for the audio after it, which the stop cuts short.
        QCOMPARE(m_delegate->calls, (QStringList{u"start"_s, u"transcription"_s, u"full"_s,
                                                 u"cues"_s, u"full"_s, u"stop"_s}));
    }

    void whatIsHeardIsHandedOnAtEachSentenceAndEveryFiveSeconds()
    {
        startListening();
        task(1)->processAudio(2.0);
        task(1)->hypothesize(timedWords(u"Words without"_s, 0.5));
        QCOMPARE(m_delegate->calls.count(u"full"_s), 0);
        task(1)->processAudio(5.0);
        task(1)->hypothesize(timedWords(u"Words without an end"_s, 0.5));
        QCOMPARE(m_delegate->calls.count(u"full"_s), 1);
        QCOMPARE(m_delegate->lastFullTranscript, u"Words without an end"_s);
        task(1)->hypothesize(timedWords(u"Words without an end. Then"_s, 0.5));
        QCOMPARE(m_delegate->calls.count(u"full"_s), 2);
        QCOMPARE(m_delegate->lastFullTranscript, u"Words without an end. Then"_s);
        task(1)->hypothesize(timedWords(u"Words without an end. Then more"_s, 0.5));
        QCOMPARE(m_delegate->calls.count(u"full"_s), 2);
        // Handed on, not merged: the transcript itself changes only by merges.
        QCOMPARE(model().fullTranscript(), QString());
    }

    void theResetComesAtThirtySecondsAndReplaysTheNewestHalf()
    {
        startListening();
        for (int i = 0; i < 7; ++i)
            m_engine->deliver(oneSecondBuffer());
        QCOMPARE(task(1)->takeAudioDuration(), 7.0);
        task(1)->hypothesize(timedWords(u"Old words."_s, 1.0));

        task(1)->processAudio(29.99);
        QCOMPARE(m_speech->tasks().size(), 1);
        task(1)->processAudio(30.0);
        QCOMPARE(m_speech->tasks().size(), 2);
        // The newest half, rounded down.
        QCOMPARE(task(2)->takeAudioDuration(), 3.0);

        // Live audio goes to the new task from now on, and to the old one until the new one has
        // caught up with it.
        for (int i = 0; i < 20; ++i)
            m_engine->deliver(oneSecondBuffer());
        QCOMPARE(task(2)->takeAudioDuration(), 20.0);
        QCOMPARE(task(1)->takeAudioDuration(), 20.0);
        task(2)->processAudio(15.0);
        task(2)->hypothesize(timedWords(u"Old words. New words."_s, 14.0));
        QVERIFY(!task(1)->isCancelled());
        QCOMPARE(model().sourceText(), u"Old words."_s);
        task(2)->processAudio(22.6);
        task(2)->hypothesize(timedWords(u"Old words. New words."_s, 14.0));
        QVERIFY(task(1)->isCancelled());
        QCOMPARE(model().sourceText(), u"Old words. New words."_s);
        m_engine->deliver(oneSecondBuffer());
        QCOMPARE(task(1)->takeAudioDuration(), 0.0);
    }

    void theOldTaskShowsItsNewWordsUntilTheNewOneHasCaughtUp()
    {
        runUntilFirstReset(u"We went to the park. It was"_s);
        // The old task's processed audio no longer counts; its words still show.
        task(1)->processAudio(45.0);
        QCOMPARE(m_speech->tasks().size(), 2);
        task(1)->hypothesize(timedWords(u"We went to the park. It was sunny"_s, 0.5));
        QCOMPARE(model().sourceText(), u"We went to the park. It was sunny"_s);
        const qsizetype calls = m_delegate->calls.size();
        task(2)->processAudio(14.9);
        task(2)->hypothesize(timedWords(u"It was"_s, 13.0));
        QCOMPARE(model().sourceText(), u"We went to the park. It was sunny"_s);
        QCOMPARE(m_delegate->calls.size(), calls);

        // The hand-over merges the old task's newer words, then the new task's text.
        task(2)->processAudio(15.0);
        task(2)->hypothesize(timedWords(u"It was sunny and warm."_s, 13.0));
        QVERIFY(task(1)->isCancelled());
        QCOMPARE(m_delegate->calls.mid(calls),
                 (QStringList{u"cues"_s, u"full"_s, u"full"_s, u"transcription"_s, u"full"_s}));
        QCOMPARE(model().fullTranscript(), u"We went to the park. It was sunny and warm"_s);
        QCOMPARE(model().transcriptAssembly().solidifiedUntilIndex(), 21);
        QCOMPARE(model().sourceText(), u"It was sunny and warm."_s);
        task(1)->hypothesize(timedWords(u"Too late."_s, 0.5));
        QCOMPARE(model().sourceText(), u"It was sunny and warm."_s);
    }

    void theNewTasksFirstTextShowsOnlyWhatFollowsItsLastSentenceEnd()
    {
        runUntilFirstReset(u"This is a first sentence that goes on for a while. And then it"_s);
        task(2)->processAudio(15.0);
        task(2)->hypothesize(timedWords(
            u"This is a first sentence that goes on for a while. And then it goes"_s, 2.0));
        // As the next hypothesis would show it: from the last word after the sentence end.
        QCOMPARE(model().sourceText(), u"goes"_s);
    }

    // Times run on the run's clock: the new task's audio begins where its replay does, 15 s into
    // the run here, and what both tasks heard is cued once.
    void cuesGoOnAcrossAResetOnTheRunsClock()
    {
        startListening();
        for (int i = 0; i < 30; ++i)
            m_engine->deliver(oneSecondBuffer());
        task(1)->processAudio(26.0);
        task(1)->hypothesize(timedWords(u"We went out. It was"_s, 20.0));
        QCOMPARE(m_delegate->cues.size(), 1);
        // Handed on before the text that holds them, so that its save carries them.
        QCOMPARE(m_delegate->calls.mid(m_delegate->calls.indexOf(u"cues"_s), 2),
                 (QStringList{u"cues"_s, u"transcription"_s}));
        task(1)->processAudio(30.0);
        QCOMPARE(task(2)->takeAudioDuration(), 15.0);
        task(1)->hypothesize(timedWords(u"We went out. It was sunny"_s, 20.0));

        task(2)->processAudio(15.0);
        task(2)->hypothesize(timedWords(u"We went out. It was sunny and warm."_s, 5.0));
        model().stopListening();
        const QList<CaptionCue> &cues = m_delegate->cues;
        QStringList texts;
        for (const CaptionCue &cue : cues)
            texts << cue.text;
        QCOMPARE(texts, (QStringList{u"We went out."_s, u"It was sunny"_s, u"and warm."_s}));
        QCOMPARE(cues[0].start, 20.0);
        QCOMPARE(cues[1].start, 23.0);
        // "and" at 11 s of the new task's audio.
        QVERIFY(cues[2].start >= 26.0 && cues[2].start < 27.0);
        QVERIFY(cues[2].end <= 30.0);
        for (qsizetype i = 1; i < cues.size(); ++i)
            QVERIFY(cues[i].start >= cues[i - 1].end);
    }

    void aStopDuringTheOverlapEndsBothTasksAndMergesOnce()
    {
        runUntilFirstReset(u"First words."_s);
        task(1)->hypothesize(timedWords(u"First words. And more"_s, 0.5));
        const qsizetype merges = m_delegate->calls.count(u"full"_s);
        model().stopListening();
        QVERIFY(task(1)->isCancelled());
        QVERIFY(task(2)->isCancelled());
        QCOMPARE(m_delegate->calls.count(u"full"_s), merges + 1);
        QCOMPARE(model().fullTranscript(), u"First words. And more"_s);
    }

    void aTaskThatHeardOnlySilenceAppends()
    {
        runUntilFirstReset(u"The cat sat on the mat."_s);
        task(2)->processAudio(16.0);
        // Every word comes after the replayed half: the old task's words are not in it.
        task(2)->hypothesize(timedWords(u"Then the dog came."_s, 15.5));
        QCOMPARE(model().fullTranscript(), u"The cat sat on the mat. Then the dog came."_s);
        QCOMPARE(model().transcriptAssembly().solidifiedUntilIndex(), 23);

        // The task's later texts replace its own, and never reach back into the old one.
        task(2)->hypothesize(timedWords(u"Then the dog came home at last."_s, 15.5));
        model().stopListening();
        QCOMPARE(model().fullTranscript(),
                 u"The cat sat on the mat. Then the dog came home at last."_s);
    }

    // Errors are not shown in this suite's settings, as for most users; nothing but the alert
    // would tell them that the subtitles never started.
    void aStartThatFailsRaisesItsAlertWithoutErrorsShown_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("message");
        QTest::newRow("no recogniser for the language")
            << u"language"_s << u"Speech recognition is not supported for en_US."_s;
        QTest::newRow("recogniser unavailable")
            << u"recognizer"_s << u"Speech recognition is not available."_s;
        QTest::newRow("no microphone") << u"microphone"_s << u"No microphone was found."_s;
    }

    void aStartThatFailsRaisesItsAlertWithoutErrorsShown()
    {
        QFETCH(QString, failure);
        QFETCH(QString, message);
        if (failure == u"language")
            m_speech->setSupportedLanguageCodes({u"fr"_s});
        else if (failure == u"recognizer")
            m_speech->setAvailable(false);
        else
            m_engine->failNextStart(Error::fromMessage(message, u"AudioEngine"_s, 1));
        model().scheduleStartListening();
        QTRY_COMPARE(model().errorMessage(), message);
        QVERIFY(model().shouldShowError());
        QVERIFY(!model().isListening());
        // The owner undoes what it did for the start.
        QCOMPARE(m_delegate->calls, (QStringList{u"start"_s, u"stop"_s}));
    }

    void aScheduledStartWaitsUntilTheRecognizerAndTheMicrophoneAreReady_data()
    {
        QTest::addColumn<bool>("recognizerHeld");
        QTest::newRow("recognizer") << true;
        QTest::newRow("microphone") << false;
    }

    void aScheduledStartWaitsUntilTheRecognizerAndTheMicrophoneAreReady()
    {
        QFETCH(bool, recognizerHeld);
        if (recognizerHeld)
            m_speech->holdPreparations();
        else
            m_engine->holdPreparations();
        model().scheduleStartListening();
        model().scheduleStartListening();
        QTRY_VERIFY(m_speech->isPreparing() || m_engine->isPreparing());
        QTest::qWait(100);
        QVERIFY(!model().isListening());
        QVERIFY(m_delegate->calls.isEmpty());

        m_speech->finishPreparation();
        m_engine->finishPreparation();
        QTRY_VERIFY(model().isListening());
        // The second start finds the first one's run.
        QTest::qWait(100);
        QCOMPARE(m_speech->tasks().size(), 1);
        QCOMPARE(m_delegate->calls, QStringList{u"start"_s});
    }

    void aStartThatFollowsAnotherWaitsForAPreparationOfItsOwn()
    {
        const QString message = u"The microphone could not be opened."_s;
        m_engine->holdPreparations();
        m_engine->failNextStart(Error::fromMessage(message, u"AudioEngine"_s, 5));
        model().scheduleStartListening();
        model().scheduleStartListening();
        QTRY_VERIFY(m_engine->isPreparing());
        m_engine->finishPreparation();
        QTRY_COMPARE(model().errorMessage(), message);
        QCOMPARE(m_delegate->calls, (QStringList{u"start"_s, u"stop"_s}));
        // The first start used up what the engine readied: the second one does not start the
        // engine unprepared, but has it prepare again.
        QTRY_VERIFY(m_engine->isPreparing());
        QVERIFY(!model().isListening());
        m_engine->finishPreparation();
        QTRY_VERIFY(model().isListening());
    }

    void aStopALanguageChangeOrTheModelsEndCancelsAScheduledStart_data()
    {
        QTest::addColumn<QString>("cancel");
        QTest::addColumn<bool>("whilePreparing");
        QTest::newRow("stop before the next turn") << u"stop"_s << false;
        QTest::newRow("stop") << u"stop"_s << true;
        QTest::newRow("language") << u"language"_s << true;
        QTest::newRow("end") << u"end"_s << true;
    }

    void aStopALanguageChangeOrTheModelsEndCancelsAScheduledStart()
    {
        QFETCH(QString, cancel);
        QFETCH(bool, whilePreparing);
        if (whilePreparing)
            m_engine->holdPreparations();
        model().scheduleStartListening();
        if (whilePreparing)
            QTRY_VERIFY(m_engine->isPreparing());
        if (cancel == u"end") {
            // The engine goes with the model, and its preparation's future is cancelled.
            m_model.reset();
            QTest::qWait(100);
            return;
        }
        if (cancel == u"stop")
            model().stopListening();
        else
            model().setSourceLanguage(Language(u"fr"_s, {}, u"FR"_s));
        // What the engine readied for the start is let go of, and not asked for again.
        QVERIFY(!m_engine->isPreparing());
        QTest::qWait(100);
        QVERIFY(!m_engine->isPreparing());
        QVERIFY(!model().isListening());
        QVERIFY(m_speech->tasks().isEmpty());
        QVERIFY(!m_delegate->calls.contains(u"start"_s));

        // A start scheduled after the stop goes ahead.
        model().scheduleStartListening();
        if (whilePreparing) {
            QTRY_VERIFY(m_engine->isPreparing());
            m_engine->finishPreparation();
        }
        QTRY_VERIFY(model().isListening());
    }

    void refusedPermissionIsAnError()
    {
        m_speech->setAuthorizationStatus(SpeechService::AuthorizationStatus::Denied);
        ListeningModel refused(m_speech, std::make_unique<ManualAudioEngine>());
        QTRY_COMPARE(refused.errorMessage(), u"Speech recognition is not authorized."_s);
    }

    void aRunEndsCleanlyWhenTheMicrophoneGoesOrTheLanguageChanges()
    {
        startListening();
        task(1)->hypothesize(timedWords(u"Words before the failure."_s, 0.4));
        m_engine->fail(Error::fromMessage(u"The microphone was disconnected."_s, u"Audio"_s, 2));
        QVERIFY(!model().isListening());
        QCOMPARE(model().fullTranscript(), u"Words before the failure."_s);
        QCOMPARE(m_delegate->calls.last(), u"stop"_s);
        QCOMPARE(model().errorMessage(), u"The microphone was disconnected."_s);

        startListening();
        task(2)->hypothesize(timedWords(u"Bonjour."_s, 0.2));
        model().setSourceLanguage(Language(u"fr"_s, {}, u"FR"_s));
        QVERIFY(!model().isListening());
        QVERIFY(!model().sourceText());
        QCOMPARE(model().fullTranscript(), u"Words before the failure. Bonjour."_s);
        QCOMPARE(m_delegate->calls.last(), u"stop"_s);
    }

    // Each reset starts an overlap, in which the tap feeds two requests, and ends the one before.
    void theTapTheResetsAndTheOverlapsShareTheirStateSafely()
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
            task(reset + 1)->hypothesize(timedWords(u"Still talking."_s, 1.0));
            task(reset + 2)->takeAudioDuration();
        }
        done = true;
        audio.join();
        model().stopListening();
    }
};

VOXLUME_TEST_MAIN(TestListeningModel)
#include "tst_ListeningModel.moc"
