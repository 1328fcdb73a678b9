// SPDX-License-Identifier: GPL-3.0-or-later
#include "Models/CueBuilder.h"
#include "TestMain.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// A hypothesis of \a words, each said \a spacing seconds after the one before from \a first on;
// a word that ends with a final mark ends its sentence.
Transcription spoken(const QStringList &words, double first, double spacing)
{
    Transcription hypothesis;
    for (qsizetype i = 0; i < words.size(); ++i) {
        if (i > 0)
            hypothesis.formattedString += u' ';
        QString word = words[i];
        const qsizetype mark = word.endsWith(u'.') || word.endsWith(u'?') ? 1 : 0;
        hypothesis.segments << TranscriptionSegment{hypothesis.formattedString.size(),
                                                    word.size() - mark, first + spacing * i};
        hypothesis.formattedString += word;
    }
    return hypothesis;
}

QStringList words(const QString &text)
{
    return text.split(u' ', Qt::SkipEmptyParts);
}

// Every cue keeps the limits, in time order, within the audio.
void verifyLimits(const QList<CaptionCue> &cues, double audioEnd)
{
    double previousEnd = 0;
    for (const CaptionCue &cue : cues) {
        const QString where = u"%1 [%2, %3]"_s.arg(cue.text).arg(cue.start).arg(cue.end);
        QVERIFY2(cue.start >= previousEnd, qPrintable(u"overlaps: "_s + where));
        QVERIFY2(cue.end <= audioEnd + 1e-9, qPrintable(u"past the audio: "_s + where));
        QVERIFY2(cue.end - cue.start <= CueBuilder::maxDuration + 1e-9, qPrintable(where));
        QVERIFY2(cue.end - cue.start >= CueBuilder::minDuration - 1e-9 || cue.end == audioEnd,
                 qPrintable(u"too short: "_s + where));
        QVERIFY2(CaptionCue::wrap(cue.text).size() <= CaptionCue::maxLines, qPrintable(where));
        previousEnd = cue.end;
    }
}

QString joined(const QList<CaptionCue> &cues)
{
    QStringList texts;
    for (const CaptionCue &cue : cues)
        texts << cue.text;
    return texts.join(u' ');
}

} // namespace

// Cutting a run's hypotheses into timed subtitle cues.
class TestCueBuilder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A sentence becomes a cue once finished; the task that takes over at a reset hears the last
    // seconds again, and its words of those seconds are not cued twice; times go on across it.
    void cuesEachSentenceOnceAcrossAReset()
    {
        CueBuilder builder;
        QList<CaptionCue> cues;
        cues << builder.take(spoken(words(u"Good morning"_s), 0.5, 0.4), 0, 1.5);
        QVERIFY(cues.isEmpty());
        const QString first = u"Good morning everyone. We begin with the"_s;
        cues << builder.take(spoken(words(first), 0.5, 0.4), 0, 3.0);
        QCOMPARE(cues.size(), 1);
        QCOMPARE(cues[0].text, u"Good morning everyone."_s);
        QCOMPARE(cues[0].start, 0.5);
        QCOMPARE(cues[0].end, 1.7); // where "We" begins
        // The same hypothesis again adds nothing.
        QVERIFY(builder.take(spoken(words(first), 0.5, 0.4), 0, 3.0).isEmpty());
        QCOMPARE(builder.uncuedText(spoken(words(first), 0.5, 0.4), 0), u"We begin with the"_s);

        // Replaced after 3.6 s: the old task's last text is cued unfinished, with its times.
        cues << builder.finish(spoken(words(first + u" news"_s), 0.5, 0.4), 0, 3.6);
        QCOMPARE(cues.size(), 2);
        QCOMPARE(cues[1].text, u"We begin with the news"_s);
        QCOMPARE(cues[1].start, 1.7);
        // The new task's audio begins 1.1 s before the hand-over: it hears "the news" again, a
        // little later than the old task placed them, and "Then", which the old one never said.
        const double taskStart = 2.5;
        // What the new task heard again is in the cues already, and not in the live text.
        QCOMPARE(builder.uncuedText(spoken(words(u"the news. Then"_s), 0.45, 0.4), taskStart),
                 u"Then"_s);
        cues << builder.take(spoken(words(u"the news. Then the weather."_s), 0.45, 0.4), taskStart,
                             4.0);
        QCOMPARE(joined(cues),
                 u"Good morning everyone. We begin with the news Then the weather."_s);
        QVERIFY(cues.last().start >= cues[1].end);
        verifyLimits(cues, taskStart + 4.0);
    }

    // Long speech is split to two lines of 42 characters and 7 s; quick short sentences are
    // held for a second each, pushed later rather than overlapping.
    void keepsTheSubtitleLimits()
    {
        QStringList longSentence;
        for (int i = 0; i < 60; ++i)
            longSentence << u"word%1"_s.arg(i);
        longSentence.last() += u'.';
        CueBuilder slow;
        const QList<CaptionCue> cues = slow.take(spoken(longSentence, 0, 0.6), 0, 40);
        QVERIFY(cues.size() >= 6);
        QCOMPARE(joined(cues), longSentence.join(u' '));
        verifyLimits(cues, 40);

        CueBuilder quick;
        const QList<CaptionCue> short_ =
            quick.take(spoken(words(u"Yes. No. Maybe. Fine. Later"_s), 10, 0.3), 0, 20);
        QCOMPARE(short_.size(), 4);
        verifyLimits(short_, 20);
        QCOMPARE(short_[1].start, short_[0].end);

        // At the very end of the audio, a cue is cut short rather than reach past it.
        CueBuilder ending;
        const QList<CaptionCue> last = ending.finish(spoken(words(u"Bye"_s), 4.8, 0.4), 0, 5.0);
        QCOMPARE(last.size(), 1);
        QCOMPARE(last[0].end, 5.0);
    }

    // Without marks, as from a recogniser that does not punctuate, cues come as they fill up,
    // once their words are some seconds old, and not only when the task ends.
    void cuesSpeechWithoutSentenceEndsAsItGoes()
    {
        QStringList spokenWords;
        for (int i = 0; i < 40; ++i)
            spokenWords << u"word%1"_s.arg(i);
        CueBuilder builder;
        QList<CaptionCue> cues;
        for (qsizetype heard = 1; heard <= spokenWords.size(); ++heard) {
            const double processed = 0.5 * double(heard) + 0.2;
            cues << builder.take(spoken(spokenWords.mid(0, heard), 0, 0.5), 0, processed);
            for (const CaptionCue &cue : cues)
                QVERIFY(cue.end <= processed - 2.0);
        }
        QVERIFY(cues.size() >= 2);
        cues << builder.finish(spoken(spokenWords, 0, 0.5), 0, 20.5);
        QCOMPARE(joined(cues), spokenWords.join(u' '));
        verifyLimits(cues, 20.5);
    }

    // A recogniser that gives no word times: cues take the times between their neighbours,
    // never all at zero, and long runs keep their hours.
    void timesWordsWithoutTimestamps()
    {
        CueBuilder builder;
        Transcription untimed{u"Hello there. How are you. Fine"_s, {}};
        const double taskStart = 100 * 3600.0;
        const QList<CaptionCue> cues = builder.take(untimed, taskStart, 6);
        QCOMPARE(cues.size(), 2);
        QCOMPARE(cues[0].text, u"Hello there."_s);
        QCOMPARE(cues[0].start, taskStart);
        QVERIFY(cues[1].start > cues[0].start);
        verifyLimits(cues, taskStart + 6);
        const QList<CaptionCue> rest = builder.finish(untimed, taskStart, 8);
        QCOMPARE(rest.size(), 1);
        QCOMPARE(rest[0].text, u"Fine"_s);
        QVERIFY(rest[0].start >= cues[1].end);
    }
};

VOXLUME_TEST_MAIN(TestCueBuilder)
#include "tst_CueBuilder.moc"
