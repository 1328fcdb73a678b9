// SPDX-License-Identifier: GPL-3.0-or-later
#include "Platform/Speech/PocketSphinx/HypothesisBuilder.h"
#include "TestMain.h"

using namespace Qt::Literals::StringLiterals;

namespace {

using Words = QList<HypothesisBuilder::Word>;

QStringList segmentTexts(const Transcription &transcription)
{
    QStringList texts;
    for (const TranscriptionSegment &segment : transcription.segments)
        texts << transcription.formattedString.mid(segment.location, segment.length);
    return texts;
}

QList<double> timestamps(const Transcription &transcription)
{
    QList<double> result;
    for (const TranscriptionSegment &segment : transcription.segments)
        result << segment.timestamp;
    return result;
}

} // namespace

class TestHypothesisBuilder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void utterancesReadAsSentences()
    {
        HypothesisBuilder builder(true);
        builder.finishUtterance({{u"'cause"_s, 0.5}, {u"it"_s, 0.8}, {u"rained"_s, 0.9}});
        builder.finishUtterance({{u"we"_s, 2.0}, {u"stayed"_s, 2.2}});
        builder.finishUtterance({{u"until"_s, 3.0}, {u"a.m."_s, 3.4}});
        builder.setOpenUtterance({{u"inside"_s, 4.0}});

        const Transcription transcription = builder.transcription();
        QCOMPARE(transcription.formattedString,
                 u"'Cause it rained. We stayed. Until a.m. Inside"_s);
        QCOMPARE(segmentTexts(transcription),
                 QStringList({u"'Cause"_s, u"it"_s, u"rained"_s, u"We"_s, u"stayed"_s, u"Until"_s,
                              u"a.m."_s, u"Inside"_s}));
        QCOMPARE(timestamps(transcription),
                 QList<double>({0.5, 0.8, 0.9, 2.0, 2.2, 3.0, 3.4, 4.0}));
    }

    void withoutPunctuationWordsStayAsDecoded()
    {
        HypothesisBuilder builder(false);
        builder.finishUtterance({{u"it"_s, 0.8}, {u"rained"_s, 0.9}});
        builder.setOpenUtterance({{u"we"_s, 2.0}, {u"stayed"_s, 2.2}});

        const Transcription transcription = builder.transcription();
        QCOMPARE(transcription.formattedString, u"it rained we stayed"_s);
        QCOMPARE(segmentTexts(transcription),
                 QStringList({u"it"_s, u"rained"_s, u"we"_s, u"stayed"_s}));
    }

    void markersFillersAndVariantsNeverReachTheText()
    {
        HypothesisBuilder builder(true);
        builder.finishUtterance({{u"<s>"_s, 0.0},
                                 {u"<sil>"_s, 0.1},
                                 {u"[NOISE]"_s, 0.2},
                                 {u"++UM++"_s, 0.3},
                                 {u"read(2)"_s, 0.4},
                                 {u"it(10)"_s, 0.6},
                                 {u"</s>"_s, 0.9}});
        builder.finishUtterance({{u"<sil>"_s, 1.0}, {u"[SPEECH]"_s, 1.1}});
        builder.setOpenUtterance({{u"<s>"_s, 2.0}, {u"done"_s, 2.1}, {u"</s>"_s, 2.4}});

        const Transcription transcription = builder.transcription();
        QCOMPARE(transcription.formattedString, u"Read it. Done"_s);
        QCOMPARE(segmentTexts(transcription), QStringList({u"Read"_s, u"it"_s, u"Done"_s}));
    }

    void segmentsCountUtf16CodeUnits()
    {
        HypothesisBuilder builder(true);
        builder.setOpenUtterance({{u"über"_s, 0.1}, {u"𝄞"_s, 0.2}, {u"straße"_s, 0.3}});

        const Transcription transcription = builder.transcription();
        QCOMPARE(transcription.formattedString, u"Über 𝄞 straße"_s);
        QCOMPARE(segmentTexts(transcription), QStringList({u"Über"_s, u"𝄞"_s, u"straße"_s}));
        QCOMPARE(transcription.segments[2].location, 8);
    }

    void aWordKeepsItsTimestampWhileItStaysPut()
    {
        HypothesisBuilder builder(true);
        builder.setOpenUtterance({{u"the"_s, 1.00}, {u"cat"_s, 1.30}});
        builder.setOpenUtterance({{u"the"_s, 1.01}, {u"cat"_s, 1.29}, {u"sat"_s, 1.60}});
        QCOMPARE(timestamps(builder.transcription()), QList<double>({1.00, 1.30, 1.60}));

        // A word heard anew in the same place keeps its timestamp; so do the words around it.
        builder.setOpenUtterance({{u"the"_s, 1.02}, {u"hat"_s, 1.31}, {u"sat"_s, 1.62}});
        QCOMPARE(timestamps(builder.transcription()), QList<double>({1.00, 1.30, 1.60}));
        // Another word somewhere else is a new word.
        builder.setOpenUtterance({{u"the"_s, 1.02}, {u"hat"_s, 1.31}, {u"mat"_s, 1.80}});
        QCOMPARE(timestamps(builder.transcription()), QList<double>({1.00, 1.30, 1.80}));

        // The final reading of an utterance is held to the same rule.
        builder.finishUtterance({{u"the"_s, 1.03}, {u"hat"_s, 1.30}, {u"mat"_s, 1.81}});
        QCOMPARE(timestamps(builder.transcription()), QList<double>({1.00, 1.30, 1.80}));

        // The same word in the next utterance is another word.
        builder.setOpenUtterance({{u"the"_s, 2.50}});
        builder.setOpenUtterance({{u"the"_s, 2.51}, {u"end"_s, 2.70}});
        QCOMPARE(timestamps(builder.transcription()),
                 QList<double>({1.00, 1.30, 1.80, 2.50, 2.70}));
    }

    void aWordThatMovesIsANewWord()
    {
        HypothesisBuilder builder(true);
        builder.setOpenUtterance({{u"sea"_s, 1.0}, {u"shells"_s, 1.2}});
        builder.setOpenUtterance({{u"she"_s, 0.9}, {u"sea"_s, 1.1}, {u"shells"_s, 1.3}});
        QCOMPARE(timestamps(builder.transcription()), QList<double>({0.9, 1.1, 1.3}));
    }

    void timestampsNeverDecrease()
    {
        HypothesisBuilder builder(true);
        builder.setOpenUtterance({{u"x"_s, 1.0}, {u"y"_s, 2.0}});
        // "y" keeps 2.0, so the new word before it may not start later than that.
        builder.setOpenUtterance({{u"z"_s, 2.5}, {u"y"_s, 2.6}, {u"w"_s, 1.5}});
        QCOMPARE(timestamps(builder.transcription()), QList<double>({2.0, 2.0, 2.0}));

        builder.finishUtterance({{u"z"_s, 2.5}, {u"y"_s, 2.6}});
        builder.setOpenUtterance({{u"next"_s, 1.9}, {u"one"_s, 3.0}});
        QCOMPARE(timestamps(builder.transcription()), QList<double>({2.0, 2.0, 2.0, 3.0}));
    }
};

VOXLUME_TEST_MAIN(TestHypothesisBuilder)
#include "tst_HypothesisBuilder.moc"
