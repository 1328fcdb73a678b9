// SPDX-License-Identifier: GPL-3.0-or-later
#include "Platform/Settings/SettingsStore.h"
#include "TestMain.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>

using namespace Qt::Literals::StringLiterals;

class TestSettingsStore : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    QString path() const { return m_folder.filePath(u"Voxlume/Voxlume.ini"_s); }

    void writeFile(const QByteArray &content)
    {
        QDir().mkpath(QFileInfo(path()).absolutePath());
        QFile file(path());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

private Q_SLOTS:
    void cleanup() { QDir(m_folder.path()).removeRecursively(); }

    void absentKeysReadAsNothing()
    {
        const SettingsStore store(path());
        QVERIFY(!store.contains(u"showErrors"_s));
        QVERIFY(!store.string(u"selectedFont"_s));
        QCOMPARE(store.boolValue(u"showErrors"_s), false);
        QCOMPARE(store.doubleValue(u"windowTransparency"_s), 0.0);
        QVERIFY(!QFile::exists(path()));
    }

    void valuesSurviveARestartAsText()
    {
        {
            SettingsStore store(path());
            store.setBool(u"showErrors"_s, true);
            store.setDouble(u"windowTransparency"_s, 0.35);
            store.setString(u"selectedFont"_s, u"DejaVu Sans, \"Bold\"; [x]=y"_s);
        }
        const SettingsStore store(path());
        QCOMPARE(store.boolValue(u"showErrors"_s), true);
        QCOMPARE(store.doubleValue(u"windowTransparency"_s), 0.35);
        QCOMPARE(store.string(u"selectedFont"_s), u"DejaVu Sans, \"Bold\"; [x]=y"_s);
        QCOMPARE(store.string(u"showErrors"_s), u"true"_s);
    }

    void decodesHandWrittenValues_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("boolean"); // -1: not a Boolean
        QTest::addColumn<bool>("isNumber");

        QTest::newRow("true") << u"true"_s << 1 << false;
        QTest::newRow("YES") << u"YES"_s << 1 << false;
        QTest::newRow("1") << u"1"_s << 1 << true;
        QTest::newRow("False padded") << u" False "_s << 0 << false;
        QTest::newRow("0") << u"0"_s << 0 << true;
        QTest::newRow("number") << u"0.25"_s << -1 << true;
        QTest::newRow("word") << u"maybe"_s << -1 << false;
        QTest::newRow("nan") << u"nan"_s << -1 << false;
        QTest::newRow("infinity") << u"inf"_s << -1 << false;
        QTest::newRow("empty") << QString() << -1 << false;
    }

    void decodesHandWrittenValues()
    {
        QFETCH(QString, text);
        QFETCH(int, boolean);
        QFETCH(bool, isNumber);

        const std::optional<bool> decodedBool = SettingsStore::decodeBool(text);
        QCOMPARE(decodedBool.has_value(), boolean >= 0);
        if (decodedBool)
            QCOMPARE(*decodedBool, boolean == 1);
        QCOMPARE(SettingsStore::decodeDouble(text).has_value(), isNumber);

        // The plain reads take false and 0 for what does not decode, as the platform store does.
        writeFile("[General]\nvalue=" + text.toUtf8() + "\n");
        const SettingsStore store(path());
        QCOMPARE(store.boolValue(u"value"_s), boolean == 1);
        QCOMPARE(store.doubleValue(u"value"_s), SettingsStore::decodeDouble(text).value_or(0.0));
    }

    void announcesEveryWriteWithoutNamingTheKey()
    {
        SettingsStore store(path());
        QSignalSpy changed(&store, &SettingsStore::changed);
        store.setBool(u"a"_s, true);
        store.setBool(u"a"_s, true);
        store.setDouble(u"b"_s, 1);
        store.setString(u"c"_s, u"x"_s);
        store.remove(u"c"_s);
        QCOMPARE(changed.count(), 5);
        QVERIFY(changed.first().isEmpty());
    }

    void seesEditsMadeFromOutside()
    {
        SettingsStore store(path());
        store.setBool(u"showErrors"_s, false);
        QSignalSpy changed(&store, &SettingsStore::changed);

        // As a user would: replace the file with an edited copy.
        const QString edited = path() + u".new"_s;
        QFile file(edited);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[General]\nshowErrors=true\nstartImmediately=yes\n");
        file.close();
        QFile::remove(path());
        QVERIFY(QFile::rename(edited, path()));

        QTRY_VERIFY(changed.count() >= 1);
        QCOMPARE(store.boolValue(u"showErrors"_s), true);
        QCOMPARE(store.boolValue(u"startImmediately"_s), true);

        // Our own writes are not mistaken for outside edits afterwards.
        changed.clear();
        store.setDouble(u"translationFontSize"_s, 40);
        QTest::qWait(300);
        QCOMPARE(changed.count(), 1);
    }

    void aDamagedFileIsKeptAndTheDefaultsServe()
    {
        QByteArray garbage(4096, '\0');
        QRandomGenerator generator(7);
        for (char &byte : garbage)
            byte = char(generator.bounded(256));
        garbage.prepend("[General\nshowErrors=true\n\"=\\");
        writeFile(garbage);

        SettingsStore store(path());
        store.setDouble(u"translationFontSize"_s, 45);
        QCOMPARE(store.doubleValue(u"translationFontSize"_s), 45.0);

        const QStringList kept =
            QDir(QFileInfo(path()).absolutePath()).entryList({u"Voxlume.ini.unreadable-*"_s});
        QCOMPARE(kept.size(), 1);
        QFile copy(QFileInfo(path()).absolutePath() + u'/' + kept.first());
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), garbage);
    }

    void anUnreadableFileNeverStopsTheProgram()
    {
        // Root reads any file, so the file is made unreadable by being a folder.
        QVERIFY(QDir().mkpath(path()));
        SettingsStore store(path());
        QCOMPARE(store.boolValue(u"showErrors"_s), false);
        store.setBool(u"showErrors"_s, true);
        QVERIFY(QFileInfo(path()).isDir());
    }
};

VOXLUME_TEST_MAIN(TestSettingsStore)
#include "tst_SettingsStore.moc"
