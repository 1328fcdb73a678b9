// SPDX-License-Identifier: GPL-3.0-or-later
#include "Platform/Translation/Apertium/ApertiumPairTable.h"
#include "TestMain.h"

using namespace Qt::Literals::StringLiterals;

namespace {

Language language(const QString &rawValue)
{
    return Language::fromRawValue(rawValue).value_or(Language());
}

} // namespace

class TestApertiumPairTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void directions_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("package");
        QTest::newRow("en-US to es-ES")
            << u"en-US"_s << u"es-ES"_s << u"eng-spa"_s << u"apertium-eng-spa"_s;
        QTest::newRow("any region of English")
            << u"en-IN"_s << u"es-MX"_s << u"eng-spa"_s << u"apertium-eng-spa"_s;
        QTest::newRow("US variant")
            << u"es-ES"_s << u"en-US"_s << u"spa-eng_US"_s << u"apertium-eng-spa"_s;
        QTest::newRow("British is the plain mode")
            << u"es-ES"_s << u"en-GB"_s << u"spa-eng"_s << u"apertium-eng-spa"_s;
        QTest::newRow("no region") << u"es-"_s << u"en-"_s << u"spa-eng"_s << u"apertium-eng-spa"_s;
        QTest::newRow("Brazilian variant")
            << u"es-ES"_s << u"pt-BR"_s << u"es-pt_BR"_s << u"apertium-es-pt"_s;
        QTest::newRow("European Portuguese")
            << u"es-ES"_s << u"pt-PT"_s << u"es-pt"_s << u"apertium-es-pt"_s;
        QTest::newRow("Catalan, never a variant of it")
            << u"en-US"_s << u"ca-ES"_s << u"eng-cat"_s << u"apertium-eng-cat"_s;
        QTest::newRow("code case")
            << u"EN-us"_s << u"ES-es"_s << u"eng-spa"_s << u"apertium-eng-spa"_s;
        QTest::newRow("three-letter mode names, two-letter languages")
            << u"nb-NO"_s << u"nn-NO"_s << u"nob-nno"_s << u"apertium-nno-nob"_s;
    }
    void directions()
    {
        QFETCH(QString, source);
        QFETCH(QString, target);
        QFETCH(QString, mode);
        QFETCH(QString, package);
        const auto direction =
            ApertiumPairTable::debian().direction(language(source), language(target));
        QVERIFY(direction);
        QCOMPARE(direction->mode, mode);
        QCOMPARE(direction->package, package);
    }

    void noDirection_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("target");
        QTest::newRow("no such pair") << u"en-US"_s << u"ja-JP"_s;
        QTest::newRow("one way only") << u"es-ES"_s << u"ro-RO"_s;
        QTest::newRow("same language") << u"en-US"_s << u"en-GB"_s;
        QTest::newRow("no source") << u"-"_s << u"es-ES"_s;
    }
    void noDirection()
    {
        QFETCH(QString, source);
        QFETCH(QString, target);
        QVERIFY(!ApertiumPairTable::debian().direction(language(source), language(target)));
    }

    void languagesHaveRegions()
    {
        const QList<Language> languages = ApertiumPairTable::debian().languages();
        for (const QString &expected :
             {u"en-US"_s, u"en-GB"_s, u"es-ES"_s, u"pt-BR"_s, u"pt-PT"_s, u"ca-ES"_s, u"fr-FR"_s})
            QVERIFY2(languages.contains(language(expected)), qPrintable(expected));
        qsizetype withRegion = 0;
        for (const Language &entry : languages) {
            QVERIFY(entry.languageCode());
            withRegion += entry.region().has_value();
        }
        // ICU knows a usual region for all but deprecated codes such as "sh".
        QVERIFY(withRegion >= languages.size() - 2);
    }

    void packagesWithoutModesAreLeftOut()
    {
        const ApertiumPairTable table = ApertiumPairTable::fromTables(
            "eng-spa\ten\tes\nspa-eng\tes\ten\n"_ba,
            "package\tdirections\tmodes\napertium-eng-spa\ten→es\teng-spa\n"_ba);
        QCOMPARE(table.directions().size(), 1);
        QVERIFY(!table.direction(language(u"es-ES"_s), language(u"en-US"_s)));
        QCOMPARE(table.languages(), (QList<Language>{language(u"en-GB"_s), language(u"en-US"_s),
                                                     language(u"es-ES"_s)}));
    }
};

VOXLUME_TEST_MAIN(TestApertiumPairTable)
#include "tst_ApertiumPairTable.moc"
