// SPDX-License-Identifier: GPL-3.0-or-later
#include "Models/ProfanityFilter.h"
#include "TestMain.h"

using namespace Qt::Literals::StringLiterals;

// The masked words of the English list, and what is left alone.
class TestProfanityFilter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void masksWholeListedWordsInEitherCase_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("listed word") << u"Oh shit, again."_s << u"Oh s***, again."_s;
        QTest::newRow("capital and prefix") << u"Fucking hell"_s << u"F****** hell"_s;
        QTest::newRow("several") << u"bitch and bastards"_s << u"b**** and b*******"_s;
        QTest::newRow("inside another word") << u"Scunthorpe classic"_s << u"Scunthorpe classic"_s;
        QTest::newRow("whole words only") << u"dickens shitake"_s << u"dickens s******"_s;
        QTest::newRow("nothing to mask") << u"A clean sentence."_s << u"A clean sentence."_s;
        QTest::newRow("empty") << QString() << QString();
    }
    void masksWholeListedWordsInEitherCase()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        const ProfanityFilter english(Language(u"en"_s, {}, u"US"_s));
        QCOMPARE(english.mask(text), shown);
    }

    // A language without a list, and no language, show everything as it is.
    void languagesWithoutAListShowEverything()
    {
        for (const std::optional<Language> &language :
             {std::optional(Language(u"es"_s, {}, u"ES"_s)), std::optional<Language>()}) {
            const ProfanityFilter filter(language);
            QVERIFY(filter.isEmpty());
            QCOMPARE(filter.mask(u"shit"_s), u"shit"_s);
        }
    }
};

VOXLUME_TEST_MAIN(TestProfanityFilter)
#include "tst_ProfanityFilter.moc"
