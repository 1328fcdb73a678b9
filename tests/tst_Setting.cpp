// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppSettings.h"
#include "NamedColors.h"
#include "SettingsKeys.h"
#include "TestMain.h"

#include <QSignalSpy>

using namespace Qt::Literals::StringLiterals;

class TestSetting : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    std::unique_ptr<SettingsStore> m_store;

    SettingsStore &store() { return *m_store; }
    static Language userLanguage() { return Locale::current().language(); }

private Q_SLOTS:
    void init() { m_store = std::make_unique<SettingsStore>(m_folder.filePath(u"s.ini"_s)); }
    void cleanup()
    {
        m_store.reset();
        QFile::remove(m_folder.filePath(u"s.ini"_s));
    }

    void aFreshStoreReadsTheUsersLanguageForBoth()
    {
        QCOMPARE(Setting(SettingsKeys::selectedFromLanguage, store()).value(), userLanguage());
        QCOMPARE(Setting(SettingsKeys::selectedToLanguage, store()).value(), userLanguage());
        QCOMPARE(userLanguage().rawValue(), u"en-US"_s);
        // Defaults are read, never written.
        QVERIFY(!Setting(SettingsKeys::selectedToLanguage, store()).isStored());
    }

    void undecodableValuesReadAsTheDefault()
    {
        using namespace SettingsKeys;
        store().setString(u"selectedFromLanguage"_s, u"zh-Hant-TW"_s);
        store().setString(u"showSpokenLanguage"_s, u"perhaps"_s);
        store().setString(u"translationFontSize"_s, u"large"_s);
        store().setString(u"textColor"_s, u"not a colour"_s);

        QCOMPARE(Setting(selectedFromLanguage, store()).value(), userLanguage());
        QCOMPARE(Setting(showSpokenLanguage, store()).value(), true);
        QCOMPARE(Setting(translationFontSize, store()).value(), 35.0);
        QCOMPARE(Setting(textColor, store()).value(), QColor(Qt::white));
        QCOMPARE(AppSettings(store()).selectedFromLanguage(), userLanguage());
    }

    void writesStoreRawValues()
    {
        Setting(SettingsKeys::selectedToLanguage, store()).setValue(Language(u"es"_s, {}, u"ES"_s));
        Setting(SettingsKeys::textColor, store()).setValue(QColor(255, 0, 0, 128));
        QCOMPARE(store().string(u"selectedToLanguage"_s), u"es-ES"_s);
        QCOMPARE(StoredColor::fromRawValue(*store().string(u"textColor"_s)),
                 QColor(255, 0, 0, 128));
    }

    void everyBindingHearsEveryChange()
    {
        const Setting<double> fontSize(SettingsKeys::translationFontSize, store());
        Setting<double> otherView(SettingsKeys::translationFontSize, store());
        QObject view;
        QList<double> seen;
        fontSize.onChange(&view, [&] { seen << fontSize.value(); });

        otherView.setValue(50);
        Setting(SettingsKeys::showErrors, store()).setValue(true);
        QCOMPARE(seen, (QList<double>{50, 50}));
    }

    void swappingWithNothingStoredWritesBothLanguages()
    {
        AppSettings settings(store());
        settings.swapLanguages();
        QCOMPARE(store().string(u"selectedFromLanguage"_s), userLanguage().rawValue());
        QCOMPARE(store().string(u"selectedToLanguage"_s), userLanguage().rawValue());
        QCOMPARE(store().string(u"isLanguageOrderSwappedInInterface"_s), u"true"_s);
    }

    void swappingTwiceRestoresBothLanguagesAndTheFlag_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("expectedFrom");

        QTest::newRow("both stored") << u"de-DE"_s << u"fr-"_s << u"de-DE"_s;
        QTest::newRow("source undecodable") << u"de"_s << u"ja-JP"_s << u"en-US"_s;
    }

    void swappingTwiceRestoresBothLanguagesAndTheFlag()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, expectedFrom);

        store().setString(u"selectedFromLanguage"_s, from);
        store().setString(u"selectedToLanguage"_s, to);
        AppSettings settings(store());

        settings.swapLanguages();
        QCOMPARE(settings.selectedFromLanguage().rawValue(), to);
        QCOMPARE(settings.selectedToLanguage().rawValue(), expectedFrom);
        QCOMPARE(store().boolValue(u"isLanguageOrderSwappedInInterface"_s), true);

        settings.swapLanguages();
        QCOMPARE(store().string(u"selectedFromLanguage"_s), expectedFrom);
        QCOMPARE(store().string(u"selectedToLanguage"_s), to);
        QCOMPARE(store().boolValue(u"isLanguageOrderSwappedInInterface"_s), false);
    }

    void namedColoursComeWithTheLibrary()
    {
        const std::optional<QColor> dark = NamedColors::color(u"DarkBlue"_s);
        const std::optional<QColor> light = NamedColors::color(u"LightBlue"_s);
        QVERIFY(dark && light);
        QVERIFY(dark->blueF() > dark->redF() && light->blueF() > light->redF());
        QVERIFY(dark->lightnessF() < light->lightnessF());
        QVERIFY(!NamedColors::color(u"Magenta"_s));
    }
};

VOXLUME_TEST_MAIN(TestSetting)
#include "tst_Setting.moc"
