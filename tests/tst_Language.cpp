// SPDX-License-Identifier: GPL-3.0-or-later
#include "Base/Error.h"
#include "Base/Language.h"
#include "Base/Localization.h"
#include "TestMain.h"

#include <QFile>
#include <QProcess>

using namespace Qt::Literals::StringLiterals;

// Languages as settings store them and as ICU names them, the user's locale, and the program's
// own texts in the user's language.
class TestLanguage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodesRawValues()
    {
        // A code and a region, either of which may be missing; a script is never stored.
        for (const QString &raw : {u"en-US"_s, u"fr-"_s, u"-BR"_s}) {
            const std::optional<Language> language = Language::fromRawValue(raw);
            QVERIFY(language && !language->script());
            QCOMPARE(language->rawValue(), raw);
        }
        for (const QString &raw : {u"zh-Hant-TW"_s, u"en"_s})
            QVERIFY(!Language::fromRawValue(raw));
    }

    void readsLocaleIdentifiers_data()
    {
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("script");

        QTest::newRow("posix") << u"de_DE.UTF-8@euro"_s << u"de-DE"_s << QString();
        QTest::newRow("bcp47") << u"pt-BR"_s << u"pt-BR"_s << QString();
        // The script is kept, but never stored.
        QTest::newRow("script") << u"zh_Hant_TW"_s << u"zh-TW"_s << u"Hant"_s;
        QTest::newRow("language only") << u"fi"_s << u"fi-"_s << QString();
    }

    void readsLocaleIdentifiers()
    {
        QFETCH(QString, identifier);
        QFETCH(QString, raw);
        QFETCH(QString, script);

        const Language language = Language::fromLocale(Locale(identifier));
        QCOMPARE(language.rawValue(), raw);
        QCOMPARE(language.script().value_or(QString()), script);
    }

    void namesOnlyWhatICUKnows()
    {
        const Locale english(u"en_US"_s);
        const Language britishEnglish(u"en"_s, {}, u"GB"_s);
        QCOMPARE(britishEnglish.displayName(english), u"English (United Kingdom)"_s);
        QCOMPARE(britishEnglish.displayName(Locale(u"de_DE"_s)),
                 u"Englisch (Vereinigtes Königreich)"_s);

        QVERIFY(!Language(QString(), {}, u"US"_s).displayName(english));
        // ICU echoes codes it cannot name; an echo is no name.
        QVERIFY(!Language(u"qqq"_s).languageName(english));
        // A subtag that ICU would read as a locale of its own must not borrow that locale's name.
        QVERIFY(!Language(u"en_US"_s).languageName(english));
        // An unknown region leaves the language name alone, without brackets.
        QCOMPARE(Language(u"en"_s, {}, u"QQ"_s).displayName(english), u"English"_s);
        QCOMPARE(Language(u"en"_s, {}, u"U-S"_s).displayName(english), u"English"_s);
    }

    void currentLocaleFollowsTheEnvironment_data()
    {
        QTest::addColumn<QStringList>("variables");
        QTest::addColumn<QString>("expected");

        QTest::newRow("LANG") << QStringList{u"LANG=de_DE.UTF-8"_s} << u"de_DE de-DE"_s;
        QTest::newRow("LC_ALL wins")
            << QStringList{u"LC_ALL=fr_CA.UTF-8"_s, u"LC_MESSAGES=es_ES.UTF-8"_s,
                           u"LANG=de_DE.UTF-8"_s}
            << u"fr_CA fr-CA"_s;
        QTest::newRow("C") << QStringList{u"LC_ALL=C"_s} << u"en_US en-US"_s;
    }

    void currentLocaleFollowsTheEnvironment()
    {
        QFETCH(QStringList, variables);
        QFETCH(QString, expected);

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString &name : {u"LC_ALL"_s, u"LC_MESSAGES"_s, u"LANG"_s, u"LANGUAGE"_s})
            environment.remove(name);
        for (const QString &variable : variables)
            environment.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(PRINT_CURRENT_LOCALE), {});
        QVERIFY(process.waitForFinished());
        QCOMPARE(QString::fromUtf8(process.readAllStandardOutput()).trimmed(), expected);
    }

    void germanUsersReadGerman()
    {
        // Translators stay installed for the rest of the process: English goes first.
        QVERIFY(!Localization::install(QLocale(QLocale::English, QLocale::UnitedStates)));
        QCOMPARE(Error(u"Store"_s, 5).localizedDescription(),
                 u"The operation could not be completed. (Store error 5.)"_s);
        QVERIFY(Localization::install(QLocale(QLocale::German, QLocale::Austria)));
        QCOMPARE(Error(u"Store"_s, 5).localizedDescription(),
                 u"Der Vorgang konnte nicht abgeschlossen werden. (Store, Fehler 5.)"_s);
    }

    void everyTextHasItsGermanTranslation()
    {
        QFile file(QStringLiteral(TRANSLATIONS_DIR "/voxlume_de.ts"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray content = file.readAll();
        QVERIFY(content.contains("<message>"));
        QVERIFY2(!content.contains("type=\"unfinished\""),
                 "translations/voxlume_de.ts has texts without a translation");
    }
};

VOXLUME_TEST_MAIN(TestLanguage)
#include "tst_Language.moc"
