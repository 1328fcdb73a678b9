// SPDX-License-Identifier: GPL-3.0-or-later
#include "Platform/Speech/PocketSphinx/HypothesisBuilder.h"
#include "TestMain.h"

using namespace Qt::Literals::StringLiterals;

/// Calls to a builder, in order: each the words of the utterance under way, or with true its final
/// reading.
using Steps = QList<std::pair<bool, QList<HypothesisBuilder::Word>>>;

class TestHypothesisBuilder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void buildsTheText_data()
    {
        QTest::addColumn<Steps>("steps");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<double>>("timestamps");

        QTest::newRow("sentences")
            << Steps{{true, {{u"'cause"_s, 0.5}, {u"it"_s, 0.8}, {u"rained"_s, 0.9}}},
                     {true, {{u"until"_s, 3.0}, {u"a.m."_s, 3.4}}},
                     {false, {{u"inside"_s, 4.0}}}}
            << u"'Cause it rained. Until a.m. Inside"_s
            << QList<double>{0.5, 0.8, 0.9, 3.0, 3.4, 4.0};
        QTest::newRow("markers, fillers and variants")
            << Steps{{true,
                      {{u"<s>"_s, 0.0},
                       {u"<sil>"_s, 0.1},
                       {u"[NOISE]"_s, 0.2},
                       {u"++UM++"_s, 0.3},
                       {u"read(2)"_s, 0.4},
                       {u"it(10)"_s, 0.6},
                       {u"</s>"_s, 0.9}}},
                     {true, {{u"<sil>"_s, 1.0}, {u"[SPEECH]"_s, 1.1}}},
                     {false, {{u"<s>"_s, 2.0}, {u"done"_s, 2.1}, {u"</s>"_s, 2.4}}}}
            << u"Read it. Done"_s << QList<double>{0.4, 0.6, 2.1};
        // Segments count UTF-16 code units.
        QTest::newRow("beyond ASCII")
            << Steps{{false, {{u"über"_s, 0.1}, {u"𝄞"_s, 0.2}, {u"straße"_s, 0.3}}}}
            << u"Über 𝄞 straße"_s << QList<double>{0.1, 0.2, 0.3};

        // A word keeps its timestamp while it stays put or is replaced in place, so that the
        // display finds its place; a final reading keeps them too.
        const Steps steps{{false, {{u"the"_s, 1.00}, {u"cat"_s, 1.30}}},
                          {false, {{u"the"_s, 1.01}, {u"cat"_s, 1.29}, {u"sat"_s, 1.60}}},
                          {false, {{u"the"_s, 1.02}, {u"hat"_s, 1.31}, {u"sat"_s, 1.62}}},
                          {false, {{u"the"_s, 1.02}, {u"hat"_s, 1.31}, {u"mat"_s, 1.80}}},
                          {true, {{u"the"_s, 1.03}, {u"hat"_s, 1.30}, {u"mat"_s, 1.81}}},
                          {false, {{u"the"_s, 2.50}}},
                          {false, {{u"the"_s, 2.51}, {u"end"_s, 2.70}}}};
        QTest::newRow("words that stay, change in place or elsewhere")
            << steps << u"The hat mat. The end"_s << QList<double>{1.00, 1.30, 1.80, 2.50, 2.70};
        QTest::newRow("a word that moves")
            << Steps{{false, {{u"sea"_s, 1.0}, {u"shells"_s, 1.2}}},
                     {false, {{u"she"_s, 0.9}, {u"sea"_s, 1.1}, {u"shells"_s, 1.3}}}}
            << u"She sea shells"_s << QList<double>{0.9, 1.1, 1.3};
        // Timestamps never decrease: "y" keeps 2.0, so no word around it starts earlier.
        QTest::newRow("new words around kept ones; an utterance that starts too early")
            << Steps{{false, {{u"x"_s, 1.0}, {u"y"_s, 2.0}}},
                     {false, {{u"z"_s, 2.5}, {u"y"_s, 2.6}, {u"w"_s, 1.5}}},
                     {true, {{u"z"_s, 2.5}, {u"y"_s, 2.6}, {u"w"_s, 2.7}}},
                     {false, {{u"next"_s, 1.9}, {u"one"_s, 3.0}}}}
            << u"Z y w. Next one"_s << QList<double>{2.0, 2.0, 2.0, 2.0, 3.0};
    }

    void buildsTheText()
    {
        QFETCH(Steps, steps);
        QFETCH(QString, text);
        QFETCH(QList<double>, timestamps);

        HypothesisBuilder builder(true);
        for (const auto &[finishes, words] : steps)
            finishes ? builder.finishUtterance(words) : builder.setOpenUtterance(words);
        const Transcription transcription = builder.transcription();
        QCOMPARE(transcription.formattedString, text);
        // A segment a word, with the full stop after it left out.
        const QStringList words = text.split(u' ');
        QCOMPARE(transcription.segments.size(), words.size());
        QList<double> result;
        for (qsizetype i = 0; i < words.size(); ++i) {
            const TranscriptionSegment &segment = transcription.segments[i];
            const QString word = text.mid(segment.location, segment.length);
            QVERIFY2(words[i] == word || words[i] == word + u'.', qPrintable(word));
            result << segment.timestamp;
        }
        QCOMPARE(result, timestamps);
    }
};

VOXLUME_TEST_MAIN(TestHypothesisBuilder)
#include "tst_HypothesisBuilder.moc"
