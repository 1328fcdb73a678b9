// SPDX-License-Identifier: GPL-3.0-or-later
#include "Platform/Store/Transcript.h"
#include "TestMain.h"

using namespace Qt::Literals::StringLiterals;

class TestTranscript : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void laysOutOneSentencePerParagraph_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        QTest::newRow("white space around and between")
            << u"en-US"_s << u"  Hello there.   How are you?  \n"_s
            << u"Hello there.\n\nHow are you?"_s;
        QTest::newRow("one sentence")
            << u"en-US"_s << u"Hello there, how are you?"_s << u"Hello there, how are you?"_s;
        // Live captions often end in the middle of a sentence.
        QTest::newRow("unfinished last sentence")
            << u"en-US"_s << u"It works. And then we"_s << u"It works.\n\nAnd then we"_s;
        QTest::newRow("empty") << u"en-US"_s << QString() << QString();
        // No spaces between sentences: only the language's own terminators tell them apart.
        QTest::newRow("Japanese") << u"ja-JP"_s << u"今日は晴れです。明日は雨でしょう。"_s
                                  << u"今日は晴れです。\n\n明日は雨でしょう。"_s;
        QTest::newRow("no language") << u"english"_s << u"  Hello there. How are you?\n"_s
                                     << u"  Hello there. How are you?\n"_s;
    }

    void laysOutOneSentencePerParagraph()
    {
        QFETCH(QString, language);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(Transcript::formatted(text, language), expected);
    }

    void formatsEachTextInItsOwnLanguage()
    {
        Transcript transcript(Language(u"en"_s, {}, u"US"_s), Language(u"es"_s, {}, u"ES"_s),
                              u"One. Two."_s, std::nullopt, QDateTime::currentDateTime());
        QCOMPARE(transcript.formattedTargetText(), std::nullopt);
        // A broken source language leaves the target alone.
        transcript.setSourceLanguageString(u"broken"_s);
        transcript.setTargetText(u"Uno. Dos."_s);
        QCOMPARE(transcript.formattedSourceText(), u"One. Two."_s);
        QCOMPARE(transcript.formattedTargetText(), u"Uno.\n\nDos."_s);
    }
};

VOXLUME_TEST_MAIN(TestTranscript)
#include "tst_Transcript.moc"
