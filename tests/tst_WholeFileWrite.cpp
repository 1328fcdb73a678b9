// SPDX-License-Identifier: GPL-3.0-or-later
#include "Base/WholeFileWrite.h"
#include "FileGrowthLimit.h"
#include "TestMain.h"

#include <QFile>
#include <QTemporaryDir>

using namespace Qt::Literals::StringLiterals;

class TestWholeFileWrite : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aRefusedWriteFailsAndKeepsTheOldFile()
    {
        const QTemporaryDir folder;
        const QString path = folder.filePath(u"kept.txt"_s);
        QVERIFY(!writeWholeFile(path, "old text\n"));
        {
            // As on a full disk: no file may grow, so the new bytes go nowhere.
            const FileGrowthLimit limit(0);
            const std::optional<QString> failure = writeWholeFile(path, QByteArray(300, 'x'));
            QVERIFY(failure);
            QVERIFY(!failure->isEmpty());
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("old text\n"));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{u"kept.txt"_s});

        QVERIFY(
            !writeWholeFile(path, "new text\n", QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        file.close();
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("new text\n"));
        QVERIFY(file.permissions().testFlags(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QVERIFY(!(file.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther)));
    }
};

VOXLUME_TEST_MAIN(TestWholeFileWrite)
#include "tst_WholeFileWrite.moc"
