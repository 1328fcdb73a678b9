// SPDX-License-Identifier: GPL-3.0-or-later
#include "LogCapture.h"
#include "Models/DisplayTextTranslator.h"
#include "OverlayFixture.h"
#include "StoredTranscripts.h"
#include "TestMain.h"
#include "TimedWords.h"

using namespace Qt::Literals::StringLiterals;

namespace {

const Language english(u"en"_s, {}, u"US"_s);
const Language spanish(u"es"_s, {}, u"ES"_s);

QString pair(const StoredTranscript &transcript)
{
    return transcript.sourceLanguage + u'>' + transcript.targetLanguage;
}

} // namespace

class TestSubtitleOverlayWindowModel : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<OverlayFixture> m_fixture;
    std::unique_ptr<SubtitleOverlayWindowModel> m_overlay;
    std::unique_ptr<DisplayTextTranslator> m_translator;

    SubtitleOverlayWindowModel &overlay() { return *m_overlay; }
    ListeningModel &listening() { return *m_overlay->listeningModel(); }
    ScriptedRecognitionTask *task(int number)
    {
        return m_fixture->speech->tasks().value(number - 1);
    }
    QList<StoredTranscript> stored() { return storedTranscripts(m_fixture->store()); }

    // What the overlay view does: its translation hook translates the display text with every
    // session it is given, and showing the view applies the stored languages and starts.
    void makeOverlay()
    {
        m_translator.reset();
        m_overlay = m_fixture->makeOverlayModel();
        m_translator = std::make_unique<DisplayTextTranslator>(*m_overlay);
    }
    void show(const std::optional<Language> &source, const std::optional<Language> &target)
    {
        overlay().setSourceLanguage(source);
        overlay().setTargetLanguage(target);
        overlay().startSubtitles();
    }

private Q_SLOTS:
    void init()
    {
        m_fixture = std::make_unique<OverlayFixture>();
        makeOverlay();
    }

    void cleanup()
    {
        m_translator.reset();
        m_overlay.reset();
        m_fixture.reset();
    }

    void aLanguageChangeMidRunMovesOnToANewTranscript_data()
    {
        QTest::addColumn<bool>("spoken");
        QTest::addColumn<QString>("newPair");
        QTest::newRow("spoken language") << true << u"es-ES>es-ES"_s;
        QTest::newRow("translation language") << false << u"en-US>en-US"_s;
    }

    // Either change makes the languages equal, so listening starts again at once.
    void aLanguageChangeMidRunMovesOnToANewTranscript()
    {
        QFETCH(bool, spoken);
        QFETCH(QString, newPair);
        m_fixture->translation->setStatus(english, spanish, TranslationService::Status::Installed);
        show(english, spanish);
        QTRY_VERIFY(listening().isListening());
        task(1)->hypothesize(timedWords(u"First words."_s, 0.5));
        if (spoken)
            overlay().setSourceLanguage(spanish);
        else
            overlay().setTargetLanguage(english);
        QVERIFY(!listening().isListening());
        QTRY_VERIFY(listening().isListening());
        task(2)->hypothesize(timedWords(u"Then more."_s, 0.5));
        listening().stopListening();
        const QList<StoredTranscript> transcripts = stored();
        QCOMPARE(transcripts.size(), 2);
        QCOMPARE(pair(transcripts[0]), newPair);
        QCOMPARE(pair(transcripts[1]), u"en-US>es-ES"_s);
        // Only what was heard in the new languages: the earlier run has its own transcript.
        QCOMPARE(transcripts[0].sourceText, u"Then more."_s);
        QCOMPARE(transcripts[1].sourceText, u"First words."_s);
    }

    // Each cue goes into the transcript with the text it belongs to, and is handed on once it is
    // translated; the last ones' translations come after the stop, and reach the stored record
    // also when the window, and with it the run, has gone by then.
    void cuesAreKeptAndTranslatedWithTheRun()
    {
        m_fixture->translation->setStatus(english, spanish, TranslationService::Status::Installed);
        QList<CaptionCue> finished;
        connect(m_overlay.get(), &SubtitleOverlayWindowModel::cueFinished, this,
                [&](const CaptionCue &cue) { finished << cue; });
        show(english, spanish);
        QTRY_VERIFY(listening().isListening());
        task(1)->processAudio(4.0);
        task(1)->hypothesize(timedWords(u"Good morning. Welcome to"_s, 0.5));
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(finished[0].text, u"Good morning."_s);
        QCOMPARE(finished[0].translation, u"[Good morning.]"_s);
        task(1)->processAudio(6.0);
        task(1)->hypothesize(timedWords(u"Good morning. Welcome to the show"_s, 0.5));
        listening().stopListening();
        m_translator.reset();
        m_overlay.reset();

        QTRY_COMPARE(stored().value(0).cues.value(1).translation, u"[Welcome to the show]"_s);
        const QList<StoredTranscript> transcripts = stored();
        QCOMPARE(transcripts.size(), 1);
        QCOMPARE(transcripts[0].cues.size(), 2);
        QCOMPARE(transcripts[0].cues[0], finished[0]);
        QCOMPARE(transcripts[0].cues[1].text, u"Welcome to the show"_s);
        QCOMPARE(transcripts[0].cues[1].start, 2.5);
    }

    void aClosedOverlayLeavesNothingBehind()
    {
        show(english, english);
        QTRY_VERIFY(listening().isListening());
        overlay().startSubtitles(); // still queued when the overlay goes
        ScriptedRecognitionTask *lateTask = task(1);
        m_overlay.reset();
        {
            const LogCapture log;
            lateTask->hypothesize(timedWords(u"Too late."_s, 0.5));
            lateTask->processAudio(30.0);
            QTest::qWait(50);
            QVERIFY(log.breadcrumbs().isEmpty());
        }

        makeOverlay();
        show(english, spanish);
        QTRY_VERIFY(m_fixture->translation->preparations == 1 &&
                    !overlay().translationModel()->isPreparingTranslation());
        QTest::qWait(1500); // a readiness check that still finds the pair missing starts nothing
        QVERIFY(!listening().isListening());
        m_overlay.reset();
        // Closed before listening ever started: the transcript the languages opened heard nothing.
        QVERIFY(stored().isEmpty());
        m_fixture->translation->setStatus(english, spanish, TranslationService::Status::Installed);
        QTest::qWait(1500); // past the next readiness check, which must find no one to start
        QCOMPARE(m_fixture->speech->tasks().size(), 1);
    }
};

VOXLUME_TEST_MAIN(TestSubtitleOverlayWindowModel)
#include "tst_SubtitleOverlayWindowModel.moc"
