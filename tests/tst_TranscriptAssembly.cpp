// SPDX-License-Identifier: GPL-3.0-or-later
#include "LogCapture.h"
#include "Models/TranscriptAssembly.h"
#include "TestMain.h"
#include "TimedWords.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// Long enough for the pause point to move at its sentence end.
const QString longText = u"This is a first sentence that goes on for a while. And then it goes"_s;

} // namespace

// The transcript spliced together from successive tasks' texts, and the display text with its
// pause point.
class TestTranscriptAssembly : public QObject
{
    Q_OBJECT

private:
    TranscriptAssembly m_assembly;

    // What the listening model does with an accepted hypothesis: show it, then move the pause.
    QString show(const Transcription &transcription) { return m_assembly.show(transcription).text; }

private Q_SLOTS:
    void init()
    {
        m_assembly = TranscriptAssembly();
        m_assembly.setLanguage(Language(u"en"_s, {}, u"US"_s));
    }

    void merges_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("transcript");
        QTest::addColumn<int>("solidified"); // -1: none

        QTest::newRow("overlap twice: the later one")
            << QStringList{u"so it goes and so it goes on"_s, u"so it goes to sleep"_s}
            << u"so it goes and so it goes to sleep"_s << 15;
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
        // Without an overlap the text is appended, with one blank between words.
        QTest::newRow("blank already before")
            << QStringList{u"abc "_s, u"XYZ"_s} << u"abc XYZ"_s << -1;
        QTest::newRow("blank already after")
            << QStringList{u"abc"_s, u"\nXYZ"_s} << u"abc\nXYZ"_s << -1;
        QTest::newRow("nothing to add") << QStringList{u"abc"_s, QString()} << u"abc"_s << -1;
    }

    void merges()
    {
        QFETCH(QStringList, texts);
        QFETCH(QString, transcript);
        QFETCH(int, solidified);

        for (const QString &text : texts)
            m_assembly.merge(text);
        QCOMPARE(m_assembly.fullTranscript(), transcript);
        QCOMPARE(m_assembly.solidifiedUntilIndex().value_or(-1), solidified);
    }

    // An hour of speech must not write a megabyte of log at every merge.
    void theLogShowsTheLengthAndTheNewestTextOnly()
    {
        const QString hour = QStringList(2'000, u"words spoken earlier"_s).join(u' ');
        m_assembly.merge(hour);
        const LogCapture log;
        m_assembly.merge(u"spoken earlier and now the newest words"_s);
        for (const QString &line : log.lines())
            QVERIFY2(line.size() < 500, qPrintable(line.left(100)));
        const QString &text = m_assembly.fullTranscript();
        QVERIFY(log.lines().contains(u"full transcript after update: (%1 characters) …%2"_s.arg(
            QString::number(text.size()), text.right(300))));
    }

    void theDisplayLimitFollowsTheLanguage()
    {
        // Chinese is keyed by script, found from the region.
        m_assembly.setLanguage(Language(u"zh"_s, {}, u"TW"_s));
        QCOMPARE(m_assembly.displayCharacterLimit(), 30);
    }

    void displayText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("pause"); // -1: none

        QTest::newRow("short: nothing moves") << u"Short text. Still short."_s << -1.0;
        QTest::newRow("60 to 119 without a sentence end: no break")
            << u"one two, three four, five six, seven eight, nine ten, eleven twelve"_s << -1.0;
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
        QCOMPARE(show(timedWords(text, 0.0)), text);
        QCOMPARE(m_assembly.pauseTimestamp().value_or(-1), pause);
    }

    void thePauseOnlyMovesForwardAndNeverToZero()
    {
        Transcription silent = timedWords(longText, 0.0);
        for (TranscriptionSegment &segment : silent.segments)
            segment.timestamp = 0.0;
        show(silent);
        QVERIFY(!m_assembly.pauseTimestamp());

        show(timedWords(longText, 10.0));
        QCOMPARE(m_assembly.pauseTimestamp(), 24.0);
        show(timedWords(longText, 5.0));
        QCOMPARE(m_assembly.pauseTimestamp(), 24.0);
    }

    void displayTextStartsAtThePauseSegment()
    {
        const QString text = longText + u" on"_s;
        show(timedWords(text, 0.0));
        QCOMPARE(m_assembly.pauseTimestamp(), 15.0);

        // The next hypothesis shows the text from the word stamped 15 s on.
        QCOMPARE(show(timedWords(text + u" and on"_s, 0.0)), u"on and on"_s);
        // Punctuation that ended the text before the pause is left out...
        Transcription punctuated = timedWords(u"First part ends here. !next words"_s, 0.0);
        punctuated.segments[4].timestamp = 15.0;
        QCOMPARE(show(punctuated), u"next words"_s);
        // ...unless it is all there is.
        QCOMPARE(show({u"Gone."_s, {{0, 4, 3}, {4, 1, 15.0}}}), u"."_s);
        // A hypothesis without the pause's exact timestamp shows its whole text.
        QCOMPARE(show(timedWords(u"Something else."_s, 0.5)), u"Something else."_s);
        // So does a pause segment that cuts a character in two.
        QCOMPARE(show({u"a😀b"_s, {{2, 2, 15.0}}}), u"a😀b"_s);
    }

    // The display's length, which the pause point and the listening model's breadcrumb go by, is
    // in characters, and leaves out the punctuation that the display does.
    void theDisplayIsCountedInCharacters()
    {
        QCOMPARE(m_assembly.show(timedWords(u"Un cafe\u0301 👋🏽"_s, 0.0)).characters, 9);

        show(timedWords(longText + u" on"_s, 0.0));
        Transcription punctuated = timedWords(u"First part ends here. !cafe\u0301 👋🏽"_s, 0.0);
        punctuated.segments[4].timestamp = 15.0;
        const TranscriptAssembly::Display shown = m_assembly.show(punctuated);
        QCOMPARE(shown.text, u"cafe\u0301 👋🏽"_s);
        QCOMPARE(shown.characters, 6);
    }

    void unmappableSegmentsArePassedOver()
    {
        Transcription transcription = timedWords(longText, 0.0);
        transcription.segments.last().location = longText.size() + 5;
        transcription.segments.append({-3, 2, 99.0});
        show(transcription);
        QCOMPARE(m_assembly.pauseTimestamp(), 13.0);
    }
};

VOXLUME_TEST_MAIN(TestTranscriptAssembly)
#include "tst_TranscriptAssembly.moc"
