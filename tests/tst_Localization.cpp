// SPDX-License-Identifier: GPL-3.0-or-later
#include "Error.h"
#include "Localization.h"
#include "TestMain.h"

#include <QFile>

using namespace Qt::Literals::StringLiterals;

class TestLocalization : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Translators stay installed for the rest of the process: English goes first.
    void englishNeedsNoTranslation()
    {
        QVERIFY(!Localization::install(QLocale(QLocale::English, QLocale::UnitedStates)));
        QCOMPARE(Error(u"Store"_s, 5).localizedDescription(),
                 u"The operation could not be completed. (Store error 5.)"_s);
    }

    void germanUsersReadGerman()
    {
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

VOXLUME_TEST_MAIN(TestLocalization)
#include "tst_Localization.moc"
