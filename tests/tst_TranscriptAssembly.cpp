// SPDX-License-Identifier: GPL-3.0-or-later
#include "ListeningModel.h"
#include "LogCapture.h"
#include "Platform/Audio/ManualAudioEngine.h"
#include "Platform/Speech/Scripted/ScriptedSpeechService.h"
#include "RecordingListeningDelegate.h"
#include "ReferenceCommonSubstring.h"
#include "TestMain.h"

#include <QRandomGenerator>

using namespace Qt::Literals::StringLiterals;

namespace {

// A hypothesis whose words are the blank-separated runs of \a text, stamped one second apart
// from \a firstTimestamp.
Transcription hypothesis(const QString &text, double firstTimestamp = 0.0)
{
    Transcription transcription{text, {}};
    qsizetype start = -1;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool blank = i == text.size() || text.at(i) == u' ';
        if (!blank && start < 0)
            start = i;
        if (blank && start >= 0) {
            transcription.segments.append(
                {start, i - start, firstTimestamp + double(transcription.segments.size())});
            start = -1;
        }
    }
    return transcription;
}

} // namespace

class TestTranscriptAssembly : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ListeningModel> m_model;
    RecordingListeningDelegate m_delegate;

    ListeningModel &model() { return *m_model; }

    void mergeAll(const QStringList &texts)
    {
        for (const QString &text : texts)
            model().updateFullTranscriptWithLatestText(text);
    }

private Q_SLOTS:
    void init()
    {
        m_model = std::make_unique<ListeningModel>(std::make_shared<ScriptedSpeechService>(),
                                                   std::make_unique<ManualAudioEngine>());
        m_delegate.calls.clear();
        model().setDelegate(&m_delegate);
    }

    void merges_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("transcript");
        QTest::addColumn<int>("solidified"); // -1: none

        QTest::newRow("first text whole")
            << QStringList{u"Hello there."_s} << u"Hello there."_s << -1;
        QTest::newRow("overlap") << QStringList{u"We went to the park. It was"_s,
                                                u"It was sunny and warm."_s}
                                 << u"We went to the park. It was sunny and warm"_s << 21;
        QTest::newRow("overlap twice: the later one")
            << QStringList{u"so it goes and so it goes on"_s, u"so it goes to sleep"_s}
            << u"so it goes and so it goes to sleep"_s << 15;
        QTest::newRow("one shared blank")
            << QStringList{u"abc def"_s, u"xy z"_s} << u"abc z"_s << 3;
        QTest::newRow("leading punctuation trimmed when the overlap starts with it")
            << QStringList{u"Well... fine"_s, u"... fine, thanks!"_s} << u"Well fine, thanks"_s
            << 4;
        QTest::newRow("a blank stops the trimming")
            << QStringList{u"one two"_s, u" two! "_s} << u"one two! "_s << 3;
        QTest::newRow("the same text twice")
            << QStringList{u"\"Quiet, please.\""_s, u"\"Quiet, please.\""_s} << u"Quiet, please"_s
            << 0;
        QTest::newRow("equivalent accents meet")
            << QStringList{u"un café au lait"_s, u"cafe\u0301 noir"_s} << u"un cafe\u0301 noir"_s
            << 3;
        // In code units the two waving hands share three; as characters they share nothing.
        QTest::newRow("an emoji is one character")
            << QStringList{u"hi 👋🏽 there"_s, u"👋🏿 bye"_s} << u"hi 👋🏽 bye"_s << 7;
    }

    void merges()
    {
        QFETCH(QStringList, texts);
        QFETCH(QString, transcript);
        QFETCH(int, solidified);

        mergeAll(texts);
        QCOMPARE(model().fullTranscript(), transcript);
        QCOMPARE(model().fullTranscriptSolidifiedUntilIndex().value_or(-1), solidified);
        QCOMPARE(m_delegate.calls.count(u"full"_s), texts.size());
        QCOMPARE(m_delegate.lastFullTranscript, transcript);
    }

    void aMergeSaysWhatItDid()
    {
        const LogCapture log;
        mergeAll({u"We went to the park. It was"_s, u"It was sunny and warm."_s});
        QCOMPARE(log.lines().mid(1),
                 (QStringList{
                     u"full transcript before update: We went to the park. It was"_s,
                     u"latest text before update: It was sunny and warm."_s,
                     u"longest common substring: It was"_s,
                     u"full transcript after update: We went to the park. It was sunny and warm"_s,
                     u"Breadcrumb: Updated full transcript: 42 characters from "
                     u"ListeningModel:updateFullTranscriptWithLatestText(_:) at line %1"_s.arg(
                         log.lines().last().section(u' ', -1))}));
    }

    void appendsPutABlankBetweenWords_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("transcript");
        QTest::newRow("glued words apart") << u"abc"_s << u"XYZ"_s << u"abc XYZ"_s;
        QTest::newRow("blank already before") << u"abc "_s << u"XYZ"_s << u"abc XYZ"_s;
        QTest::newRow("blank already after") << u"abc"_s << u"\nXYZ"_s << u"abc\nXYZ"_s;
        QTest::newRow("nothing to add") << u"abc"_s << QString() << u"abc"_s;
    }

    void appendsPutABlankBetweenWords()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(QString, transcript);
        mergeAll({before, after});
        QCOMPARE(model().fullTranscript(), transcript);
        QVERIFY(!model().fullTranscriptSolidifiedUntilIndex());
    }

    void theFastSearchAgreesWithThePlainOne()
    {
        QRandomGenerator random(20261206);
        // Few distinct letters make many long, tied overlaps; accents and emoji test characters.
        const QStringList alphabet{u"a"_s, u"b"_s,       u" "_s,       u"."_s,
                                   u"é"_s, u"e\u0301"_s, u"👋🏽"_s};
        const auto randomText = [&] {
            QString text;
            for (int i = random.bounded(0, 40); i > 0; --i)
                text += alphabet.at(random.bounded(alphabet.size()));
            return text;
        };
        for (int round = 0; round < 3000; ++round) {
            const QString a = randomText();
            const QString b = randomText();
            QCOMPARE(ListeningModel::longestCommonSubstring(a, b),
                     referenceLongestCommonSubstring(a, b));
        }
    }

    void displayTextThreshold_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<int>("limit");
        QTest::newRow("English") << u"en-US"_s << 60;
        QTest::newRow("Japanese") << u"ja-JP"_s << 30;
        QTest::newRow("Russian") << u"ru-RU"_s << 48;
        QTest::newRow("Chinese, mainland") << u"zh-CN"_s << 30;
        QTest::newRow("Chinese, Taiwan") << u"zh-TW"_s << 30;
        QTest::newRow("Swahili") << u"sw-KE"_s << 60;
        QTest::newRow("none") << QString() << 60;
    }

    void displayTextThreshold()
    {
        QFETCH(QString, language);
        QFETCH(int, limit);
        model().setSourceLanguage(Language::fromRawValue(language));
        QCOMPARE(model().displayCharacterLimit(), limit);
    }

    void displayText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("pause"); // -1: none

        const QString sentence = u"This is a first sentence that goes on for a while."_s;
        QTest::newRow("short: nothing moves") << u"Short text. Still short."_s << -1.0;
        QTest::newRow("60 to 119 without a sentence end: no break")
            << u"one two, three four, five six, seven eight, nine ten, eleven twelve"_s << -1.0;
        QTest::newRow("a sentence end moves the pause to the last word")
            << sentence + u" And then it goes"_s << 14.0;
        QTest::newRow("no word after the sentence end: no move")
            << u"one two three four five six seven eight nine ten eleven twelve."_s << -1.0;
        QTest::newRow("120 and more: a minor break will do")
            << QStringList(22, u"word"_s).join(u' ') + u", more words"_s << 23.0;
        QTest::newRow("120 and more without any break: the last word, and nothing after it")
            << QStringList(24, u"word"_s).join(u' ') + u" end"_s << -1.0;
    }

    void displayText()
    {
        QFETCH(QString, text);
        QFETCH(double, pause);

        model().setSourceLanguage(Language::fromRawValue(u"en-US"_s));
        QCOMPARE(model().displayText(hypothesis(text)), text);
        QCOMPARE(model().lastPauseSegmentTimestamp().value_or(-1), pause);
    }

    void thePauseOnlyMovesForward()
    {
        model().setSourceLanguage(Language::fromRawValue(u"en-US"_s));
        const QString text =
            u"This is a first sentence that goes on for a while. And then it goes"_s;
        model().displayText(hypothesis(text, 10.0));
        QCOMPARE(model().lastPauseSegmentTimestamp(), 24.0);
        model().displayText(hypothesis(text, 5.0));
        QCOMPARE(model().lastPauseSegmentTimestamp(), 24.0);
    }

    void displayTextStartsAtThePauseSegment()
    {
        model().setSourceLanguage(Language::fromRawValue(u"en-US"_s));
        const QString text =
            u"This is a first sentence that goes on for a while. And then it goes on"_s;
        model().displayText(hypothesis(text));
        QCOMPARE(model().lastPauseSegmentTimestamp(), 15.0);

        // The next hypothesis shows the text from the word stamped 15 s on.
        QCOMPARE(model().displayText(hypothesis(text + u" and on"_s)), u"on and on"_s);
        // Punctuation that ended the text before the pause is left out...
        Transcription punctuated = hypothesis(u"First part ends here. !next words"_s);
        punctuated.segments[4].timestamp = 15.0;
        QCOMPARE(model().displayText(punctuated), u"next words"_s);
        // ...unless it is all there is.
        Transcription lone{u"Gone."_s, {{0, 4, 3}, {4, 1, 15.0}}};
        QCOMPARE(model().displayText(lone), u"."_s);
        // A hypothesis without the pause's exact timestamp shows its whole text.
        QCOMPARE(model().displayText(hypothesis(u"Something else."_s, 0.5)), u"Something else."_s);
        // A pause segment whose range cannot be mapped shows the whole text too.
        QCOMPARE(model().displayText({u"abc"_s, {{2, 9, 15.0}}}), u"abc"_s);
        QCOMPARE(model().displayText({u"a😀b"_s, {{2, 2, 15.0}}}), u"a😀b"_s);
    }

    void aZeroTimestampNeverBecomesThePause()
    {
        model().setSourceLanguage(Language::fromRawValue(u"en-US"_s));
        const QString text =
            u"This is a first sentence that goes on for a while. And then it goes"_s;
        Transcription transcription = hypothesis(text);
        for (TranscriptionSegment &segment : transcription.segments)
            segment.timestamp = 0.0;
        model().displayText(transcription);
        QVERIFY(!model().lastPauseSegmentTimestamp());
    }

    void unmappableSegmentsArePassedOver()
    {
        model().setSourceLanguage(Language::fromRawValue(u"en-US"_s));
        const QString text =
            u"This is a first sentence that goes on for a while. And then it goes"_s;
        Transcription transcription = hypothesis(text);
        transcription.segments.last().location = text.size() + 5;
        transcription.segments.append({-3, 2, 99.0});
        model().displayText(transcription);
        QCOMPARE(model().lastPauseSegmentTimestamp(), 13.0);
    }

    void withoutALanguageTheWholeHypothesisShows()
    {
        const QString text = QStringList(40, u"Word."_s).join(u' ');
        QCOMPARE(model().displayText(hypothesis(text)), text);
        QVERIFY(!model().lastPauseSegmentTimestamp());
    }
};

VOXLUME_TEST_MAIN(TestTranscriptAssembly)
#include "tst_TranscriptAssembly.moc"
