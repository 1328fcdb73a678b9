// SPDX-License-Identifier: GPL-3.0-or-later
#include "Language.h"
#include "TestMain.h"

#include <QProcess>

using namespace Qt::Literals::StringLiterals;

class TestLanguage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodesRawValues_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<bool>("decodes");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("region");

        QTest::newRow("code and region") << u"en-US"_s << true << u"en"_s << u"US"_s;
        QTest::newRow("code alone") << u"fr-"_s << true << u"fr"_s << QString();
        QTest::newRow("region alone") << u"-BR"_s << true << QString() << u"BR"_s;
        QTest::newRow("lone hyphen") << u"-"_s << true << QString() << QString();
        QTest::newRow("script subtag") << u"zh-Hant-TW"_s << false << QString() << QString();
        QTest::newRow("no hyphen") << u"en"_s << false << QString() << QString();
        QTest::newRow("empty") << QString() << false << QString() << QString();
        QTest::newRow("underscore") << u"en_US"_s << false << QString() << QString();
        QTest::newRow("two hyphens") << u"en--"_s << false << QString() << QString();
    }

    void decodesRawValues()
    {
        QFETCH(QString, raw);
        QFETCH(bool, decodes);
        QFETCH(QString, code);
        QFETCH(QString, region);

        const std::optional<Language> language = Language::fromRawValue(raw);
        QCOMPARE(language.has_value(), decodes);
        if (!decodes)
            return;
        QCOMPARE(language->languageCode().value_or(QString()), code);
        QCOMPARE(language->region().value_or(QString()), region);
        QVERIFY(!language->script());
        QCOMPARE(language->rawValue(), raw);
    }

    void dropsTheScriptWhenStored()
    {
        const Language chinese(u"zh"_s, u"Hant"_s, u"TW"_s);
        QCOMPARE(chinese.rawValue(), u"zh-TW"_s);
        const std::optional<Language> readBack = Language::fromRawValue(chinese.rawValue());
        QCOMPARE(readBack, Language(u"zh"_s, QString(), u"TW"_s));
        QVERIFY(readBack != chinese);
    }

    void comparesOptionalLanguages()
    {
        const std::optional<Language> none;
        const std::optional<Language> english = Language(u"en"_s, {}, u"US"_s);
        QVERIFY(none == std::optional<Language>());
        QVERIFY(none != english);
        QVERIFY(english == Language::fromRawValue(u"en-US"_s));
        QVERIFY(english != Language::fromRawValue(u"en-GB"_s));
        QCOMPARE(describe(none), u"nil"_s);
        QCOMPARE(describe(english), u"en-US"_s);
    }

    void namesLanguagesInTheGivenLocale()
    {
        const Locale english(u"en_US"_s);
        const Locale german(u"de_DE"_s);
        const Language britishEnglish(u"en"_s, {}, u"GB"_s);

        QCOMPARE(britishEnglish.languageName(english), u"English"_s);
        QCOMPARE(britishEnglish.displayName(english), u"English (United Kingdom)"_s);
        QCOMPARE(britishEnglish.languageName(german), u"Englisch"_s);
        QCOMPARE(britishEnglish.displayName(german), u"Englisch (Vereinigtes Königreich)"_s);
        QCOMPARE(Language(u"fr"_s).displayName(english), u"French"_s);
    }

    void unknownNamesAreAbsent()
    {
        const Locale english(u"en_US"_s);
        QVERIFY(!Language().languageName(english));
        QVERIFY(!Language(QString(), {}, u"US"_s).displayName(english));
        // ICU echoes codes it cannot name; an echo is no name.
        QVERIFY(!Language(u"qqq"_s).languageName(english));
        // A subtag that ICU would read as a locale of its own must not borrow that locale's name.
        QVERIFY(!Language(u"en_US"_s).languageName(english));
        QVERIFY(!Language(u"e n"_s).languageName(english));
        // An unknown region leaves the language name alone, without brackets.
        QCOMPARE(Language(u"en"_s, {}, u"QQ"_s).displayName(english), u"English"_s);
        QCOMPARE(Language(u"en"_s, {}, u"U-S"_s).displayName(english), u"English"_s);
    }

    void readsLocaleIdentifiers_data()
    {
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("script");

        QTest::newRow("posix") << u"de_DE.UTF-8@euro"_s << u"de-DE"_s << QString();
        QTest::newRow("bcp47") << u"pt-BR"_s << u"pt-BR"_s << QString();
        QTest::newRow("script") << u"zh_Hant_TW"_s << u"zh-TW"_s << u"Hant"_s;
        QTest::newRow("language only") << u"fi"_s << u"fi-"_s << QString();
    }

    void readsLocaleIdentifiers()
    {
        QFETCH(QString, identifier);
        QFETCH(QString, raw);
        QFETCH(QString, script);

        const Language language = Locale(identifier).language();
        QCOMPARE(language.rawValue(), raw);
        QCOMPARE(language.script().value_or(QString()), script);
    }

    void currentLocaleFollowsTheEnvironment_data()
    {
        QTest::addColumn<QString>("lcAll");
        QTest::addColumn<QString>("lcMessages");
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QString>("expected");

        QTest::newRow("LANG") << QString() << QString() << u"de_DE.UTF-8"_s << u"de_DE de-DE"_s;
        QTest::newRow("LC_ALL wins")
            << u"fr_CA.UTF-8"_s << u"es_ES.UTF-8"_s << u"de_DE.UTF-8"_s << u"fr_CA fr-CA"_s;
        QTest::newRow("LC_MESSAGES before LANG")
            << QString() << u"es_ES.UTF-8"_s << u"de_DE.UTF-8"_s << u"es_ES es-ES"_s;
        QTest::newRow("C") << u"C"_s << QString() << QString() << u"en_US en-US"_s;
        QTest::newRow("POSIX") << QString() << QString() << u"POSIX"_s << u"en_US en-US"_s;
        QTest::newRow("nothing set") << QString() << QString() << QString() << u"en_US en-US"_s;
    }

    void currentLocaleFollowsTheEnvironment()
    {
        QFETCH(QString, lcAll);
        QFETCH(QString, lcMessages);
        QFETCH(QString, lang);
        QFETCH(QString, expected);

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString &name : {u"LC_ALL"_s, u"LC_MESSAGES"_s, u"LANG"_s, u"LANGUAGE"_s})
            environment.remove(name);
        const auto setIfGiven = [&](const QString &name, const QString &value) {
            if (!value.isEmpty())
                environment.insert(name, value);
        };
        setIfGiven(u"LC_ALL"_s, lcAll);
        setIfGiven(u"LC_MESSAGES"_s, lcMessages);
        setIfGiven(u"LANG"_s, lang);

        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(PRINT_CURRENT_LOCALE), {});
        QVERIFY(process.waitForFinished());
        QCOMPARE(QString::fromUtf8(process.readAllStandardOutput()).trimmed(), expected);
    }
};

VOXLUME_TEST_MAIN(TestLanguage)
#include "tst_Language.moc"
