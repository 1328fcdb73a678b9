// SPDX-License-Identifier: GPL-3.0-or-later
#include "Platform/Settings/AppSettings.h"
#include "Platform/Settings/SettingsKeys.h"
#include "TestMain.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QSignalSpy>

using namespace Qt::Literals::StringLiterals;

namespace {

// A colour record in the stored layout, with components of the test's choosing.
QString colorRecord(const QByteArray &tag, std::initializer_list<double> components)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setByteOrder(QDataStream::BigEndian);
    stream.writeRawData(tag.constData(), int(tag.size()));
    for (double component : components)
        stream << component;
    return QString::fromLatin1(bytes.toBase64());
}

QString userLanguage()
{
    return Language::fromLocale(Locale::current()).rawValue();
}

} // namespace

// The settings file, the typed bindings over it, and the colours stored in it.
class TestSettingsStore : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    std::unique_ptr<SettingsStore> m_store;

    QString path() const { return m_folder.filePath(u"Voxlume/Voxlume.ini"_s); }
    SettingsStore &store() { return *m_store; }
    // A store over the file as it is now, as at the next start.
    void reopen()
    {
        m_store.reset();
        m_store = std::make_unique<SettingsStore>(path());
    }
    static void writeFileAt(const QString &filePath, const QByteArray &content)
    {
        QFile file(filePath);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }
    void writeFile(const QByteArray &content)
    {
        QDir().mkpath(QFileInfo(path()).absolutePath());
        QFile file(path());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.close();
        reopen();
    }

private Q_SLOTS:
    void init() { reopen(); }
    void cleanup()
    {
        m_store.reset();
        QDir(m_folder.path()).removeRecursively();
    }

    void valuesSurviveARestartAsText()
    {
        QVERIFY(!QFile::exists(path()));
        store().setBool(u"showErrors"_s, true);
        store().setDouble(u"windowTransparency"_s, 0.35);
        store().setString(u"selectedFont"_s, u"DejaVu Sans, \"Bold\"; [x]=y"_s);
        reopen();
        QCOMPARE(store().boolValue(u"showErrors"_s), true);
        QCOMPARE(store().doubleValue(u"windowTransparency"_s), 0.35);
        QCOMPARE(store().string(u"selectedFont"_s), u"DejaVu Sans, \"Bold\"; [x]=y"_s);
        QCOMPARE(store().string(u"showErrors"_s), u"true"_s);
    }

    void decodesHandWrittenValues_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("boolean"); // -1: not a Boolean
        QTest::addColumn<bool>("isNumber");

        QTest::newRow("YES") << u"YES"_s << 1 << false;
        QTest::newRow("1") << u"1"_s << 1 << true;
        QTest::newRow("False padded") << u" False "_s << 0 << false;
        QTest::newRow("number") << u"0.25"_s << -1 << true;
        QTest::newRow("nan") << u"nan"_s << -1 << false;
    }

    void decodesHandWrittenValues()
    {
        QFETCH(QString, text);
        QFETCH(int, boolean);
        QFETCH(bool, isNumber);

        const std::optional<bool> decodedBool = SettingsStore::decodeBool(text);
        QCOMPARE(decodedBool.has_value(), boolean >= 0);
        QCOMPARE(decodedBool.value_or(false), boolean == 1);
        QCOMPARE(SettingsStore::decodeDouble(text).has_value(), isNumber);

        // The plain reads take false and 0 for what does not decode, as the platform store does.
        writeFile("[General]\nvalue=" + text.toUtf8() + "\n");
        QCOMPARE(store().boolValue(u"value"_s), boolean == 1);
        QCOMPARE(store().doubleValue(u"value"_s), SettingsStore::decodeDouble(text).value_or(0.0));
    }

    // A hand-edited size of 1e9 would draw empty boxes: numbers read as the nearest end of
    // their control, and the file keeps what was written.
    void numbersReadWithinTheirControls()
    {
        writeFile("[General]\ntranslationFontSize=1e9\nwindowTransparency=-3\n");
        QCOMPARE(Setting(SettingsKeys::translationFontSize, store()).value(), 60.0);
        QCOMPARE(Setting(SettingsKeys::windowTransparency, store()).value(), 0.0);
        writeFile("[General]\ntranslationFontSize=1\nwindowTransparency=0.5\n");
        QCOMPARE(Setting(SettingsKeys::translationFontSize, store()).value(), 30.0);
        QCOMPARE(Setting(SettingsKeys::windowTransparency, store()).value(), 0.5);
        QCOMPARE(store().string(u"translationFontSize"_s), std::optional(u"1"_s));
    }

    void seesEditsMadeFromOutside()
    {
        store().setBool(u"showErrors"_s, false);
        QSignalSpy changed(&store(), &SettingsStore::changed);

        // As a user would: replace the file with an edited copy.
        const QString edited = path() + u".new"_s;
        QFile file(edited);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[General]\nshowErrors=true\n");
        file.close();
        QFile::remove(path());
        QVERIFY(QFile::rename(edited, path()));

        QTRY_VERIFY(changed.count() >= 1);
        QCOMPARE(store().boolValue(u"showErrors"_s), true);

        // Our own writes are not mistaken for outside edits afterwards.
        changed.clear();
        store().setDouble(u"translationFontSize"_s, 40);
        QTest::qWait(300);
        QCOMPARE(changed.count(), 1);
    }

    // Neither a damaged file nor one too large to read at every change is used or lost, and the
    // user learns where it went.
    void aDamagedFileIsKeptAndTheDefaultsServe_data()
    {
        QTest::addColumn<QByteArray>("garbage");
        QTest::addColumn<QString>("why");
        QTest::newRow("damaged") << QByteArray("[General\nshowErrors=true\n\"=\\")
                                 << u"could not be read"_s;
        QTest::newRow("over 1 MB")
            << "[General]\nshowErrors=true\npadding=" + QByteArray(1024 * 1024, 'x') + "\n"
            << u"larger than 1 MB"_s;
    }
    void aDamagedFileIsKeptAndTheDefaultsServe()
    {
        QFETCH(QByteArray, garbage);
        QFETCH(QString, why);
        const QDir folder = QFileInfo(path()).absoluteDir();
        for (const QString &earlier : folder.entryList({u"Voxlume.ini.unreadable-*"_s}))
            QFile::remove(folder.filePath(earlier));
        writeFile(garbage);

        QCOMPARE(store().boolValue(u"showErrors"_s), false);
        store().setDouble(u"translationFontSize"_s, 45);
        QCOMPARE(store().doubleValue(u"translationFontSize"_s), 45.0);
        const QStringList kept = folder.entryList({u"Voxlume.ini.unreadable-*"_s});
        QCOMPARE(kept.size(), 1);
        QFile copy(folder.filePath(kept.first()));
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), garbage);

        const QString problem = store().problem().value_or(QString());
        QVERIFY2(problem.contains(why), qPrintable(problem));
        QVERIFY2(problem.contains(u"“"_s + folder.filePath(kept.first()) + u"”"_s),
                 qPrintable(problem));
    }

    // A folder where the file belongs is the user's: it stays as it is, and the store holds the
    // run's changes in memory and says once that they will not last.
    void aFolderInPlaceOfTheFileIsLeftAloneAndTold()
    {
        QVERIFY(QDir().mkpath(path()));
        writeFileAt(path() + u"/inside.txt"_s, "mine");
        reopen();
        QSignalSpy problemChanged(&store(), &SettingsStore::problemChanged);
        const QString problem = store().problem().value_or(QString());
        QVERIFY2(problem.contains(u"cannot be saved"_s), qPrintable(problem));
        QVERIFY2(problem.contains(u"“"_s + path() + u"” is a folder"_s), qPrintable(problem));

        store().setBool(u"showErrors"_s, true);
        store().setDouble(u"translationFontSize"_s, 50);
        QCOMPARE(store().boolValue(u"showErrors"_s), true);
        QCOMPARE(store().doubleValue(u"translationFontSize"_s), 50.0);
        QVERIFY(QFileInfo(path()).isDir());
        QCOMPARE(QDir(path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{u"inside.txt"_s});
        QCOMPARE(QFileInfo(path()).absoluteDir().entryList(QDir::AllEntries | QDir::NoDotAndDotDot |
                                                           QDir::Hidden),
                 QStringList{u"Voxlume.ini"_s});
        QCOMPARE(problemChanged.count(), 0);

        // Dismissed, it is not told again at the next change.
        store().dismissProblem();
        QCOMPARE(store().problem(), std::nullopt);
        store().setDouble(u"translationFontSize"_s, 55);
        QCOMPARE(store().problem(), std::nullopt);
        QCOMPARE(problemChanged.count(), 1);

        // Once the user moves the folder away, what they chose meanwhile is saved at once.
        QVERIFY(QDir(path()).removeRecursively());
        QTRY_VERIFY(QFileInfo(path()).isFile());
        reopen();
        QCOMPARE(store().doubleValue(u"translationFontSize"_s), 55.0);
        QCOMPARE(store().boolValue(u"showErrors"_s), true);
    }

    void absentOrUndecodableSettingsReadAsTheDefault()
    {
        using namespace SettingsKeys;
        QCOMPARE(Setting(selectedToLanguage, store()).value().rawValue(), userLanguage());
        // Defaults are read, never written.
        QVERIFY(!Setting(selectedToLanguage, store()).isStored());

        store().setString(u"selectedFromLanguage"_s, u"zh-Hant-TW"_s);
        store().setString(u"showSpokenLanguage"_s, u"perhaps"_s);
        store().setString(u"translationFontSize"_s, u"large"_s);
        store().setString(u"textColor"_s, u"not a colour"_s);
        QCOMPARE(Setting(selectedFromLanguage, store()).value().rawValue(), userLanguage());
        QCOMPARE(Setting(showSpokenLanguage, store()).value(), true);
        QCOMPARE(Setting(translationFontSize, store()).value(), 35.0);
        QCOMPARE(Setting(textColor, store()).value(), QColor(Qt::white));
    }

    void settingsStoreRawValuesAndEveryBindingHearsEveryChange()
    {
        const Setting<double> fontSize(SettingsKeys::translationFontSize, store());
        QObject view;
        QList<double> seen;
        fontSize.onChange(&view, [&] { seen << fontSize.value(); });

        Setting(SettingsKeys::translationFontSize, store()).setValue(50);
        Setting(SettingsKeys::selectedToLanguage, store()).setValue(Language(u"es"_s, {}, u"ES"_s));
        Setting(SettingsKeys::textColor, store()).setValue(QColor(255, 0, 0, 128));
        QCOMPARE(seen, (QList<double>{50, 50, 50}));
        QCOMPARE(store().string(u"selectedToLanguage"_s), u"es-ES"_s);
    }

    void swappingTwiceRestoresBothLanguagesAndTheFlag_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("expectedFrom");

        QTest::newRow("both stored") << u"de-DE"_s << u"fr-"_s << u"de-DE"_s;
        // Both keys end up written, even when they were absent.
        QTest::newRow("nothing stored") << QString() << QString() << u"en-US"_s;
    }

    void swappingTwiceRestoresBothLanguagesAndTheFlag()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, expectedFrom);
        if (!from.isEmpty()) {
            store().setString(u"selectedFromLanguage"_s, from);
            store().setString(u"selectedToLanguage"_s, to);
        }
        const QString expectedTo = to.isEmpty() ? userLanguage() : to;
        AppSettings settings(store());

        settings.swapLanguages();
        QCOMPARE(store().string(u"selectedFromLanguage"_s), expectedTo);
        QCOMPARE(store().string(u"selectedToLanguage"_s), expectedFrom);
        QCOMPARE(store().boolValue(u"isLanguageOrderSwappedInInterface"_s), true);

        settings.swapLanguages();
        QCOMPARE(store().string(u"selectedFromLanguage"_s), expectedFrom);
        QCOMPARE(store().boolValue(u"isLanguageOrderSwappedInInterface"_s), false);
    }

    // Stored settings outlive versions of the program: this text must keep meaning this colour,
    // and text that is not a whole, valid record gives none.
    void coloursKeepTheirStoredLayoutAndRefuseOthers()
    {
        const QColor blue = QColor::fromRgbF(0, 0, 1, 0.5);
        QCOMPARE(StoredColor::fromRawValue(colorRecord("VXC1", {0, 0, 1, 0.5})), blue);
        QCOMPARE(StoredColor::rawValue(blue), colorRecord("VXC1", {0, 0, 1, blue.alphaF()}));
        const QString valid = StoredColor::rawValue(QColor(Qt::blue));
        for (const QString &raw :
             {u"white"_s, valid.left(20) + u'\n' + valid.mid(20), valid.left(40),
              colorRecord("XXXX", {1, 1, 1, 1}), colorRecord("VXC1", {1, 1, 1, 1, 1}),
              colorRecord("VXC1", {1.5, 0, 0, 1}), colorRecord("VXC1", {0, 0, 0, -0.1}),
              colorRecord("VXC1", {0, qQNaN(), 0, 1})})
            QVERIFY2(!StoredColor::fromRawValue(raw), qPrintable(raw));
    }
};

VOXLUME_TEST_MAIN(TestSettingsStore)
#include "tst_SettingsStore.moc"
