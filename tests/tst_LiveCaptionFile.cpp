// SPDX-License-Identifier: GPL-3.0-or-later
#include "Models/LiveCaptionFile.h"
#include "TestMain.h"

#include <QSignalSpy>
#include <atomic>
#include <set>
#include <thread>

using namespace Qt::Literals::StringLiterals;

class TestLiveCaptionFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;

    static QByteArray read(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }

    static bool settled(const LiveCaptionFile &file)
    {
        return QTest::qWaitFor([&file] { return !file.isBusy(); }, 10'000);
    }

private Q_SLOTS:
    // The file is the text shown now: the spoken line over its translation, nothing at all once
    // nothing shows, and a newly chosen file starts with the text of that moment.
    void theFileHoldsWhatIsShownNow()
    {
        const QString path = m_folder.filePath(u"shown.txt"_s);
        const QString later = m_folder.filePath(u"later.txt"_s);
        LiveCaptionFile file;
        file.show(u"Not written anywhere"_s, QString());
        QVERIFY(settled(file));
        file.setPath(path);
        QTRY_COMPARE(read(path), QByteArray("Not written anywhere"));

        file.show(u"Grüße aus Köln"_s, QString());
        QTRY_COMPARE(read(path), QByteArray("Grüße aus Köln"));
        file.show(u"Good morning"_s, u"Buenos días"_s);
        QTRY_COMPARE(read(path), QByteArray("Good morning\nBuenos días"));

        file.setPath(later);
        QTRY_COMPARE(read(later), QByteArray("Good morning\nBuenos días"));
        file.show(QString(), QString());
        QTRY_COMPARE(read(later), QByteArray());
        QCOMPARE(read(path), QByteArray("Good morning\nBuenos días"));
        // No temporary files are left beside them.
        QVERIFY(settled(file));
        QCOMPARE(QDir(m_folder.path()).entryList(QDir::Files),
                 (QStringList{u"later.txt"_s, u"shown.txt"_s}));
    }

    // A streaming program reads the file at any moment: every read must be one whole text that
    // was written, never an empty or a cut one.
    void aReaderOnlyEverSeesWholeTexts()
    {
        const QString path = m_folder.filePath(u"read.txt"_s);
        std::set<QByteArray> written;
        LiveCaptionFile file;
        file.setPath(path);
        const auto show = [&](int number) {
            // Long enough that a write in place would be seen half done.
            const QString text = u"Subtitle %1 "_s.arg(number).repeated(200 + number * 40);
            written.insert(text.toUtf8());
            file.show(text, QString());
        };
        show(0);
        QVERIFY(settled(file));

        std::atomic<bool> reading = true;
        std::set<QByteArray> seen;
        int reads = 0;
        std::thread reader([&] {
            while (reading) {
                seen.insert(read(path));
                ++reads;
            }
        });
        for (int number = 1; number <= 150; ++number) {
            show(number);
            // Every other text at once after the one before, so that some are coalesced.
            if (number % 2 == 0)
                QVERIFY(settled(file));
        }
        QVERIFY(settled(file));
        reading = false;
        reader.join();

        QVERIFY2(reads > 50, qPrintable(QString::number(reads)));
        for (const QByteArray &text : seen)
            QVERIFY2(written.count(text),
                     qPrintable(u"read: "_s + QString::fromUtf8(text.left(60))));
        QCOMPARE(read(path), *std::max_element(written.begin(), written.end(),
                                               [](const QByteArray &a, const QByteArray &b) {
                                                   return a.size() < b.size();
                                               }));
    }

    // Texts that come while a write is under way wait, and only the newest is written next: a slow
    // disk delays the file by one write, not by every text that came.
    void textsThatComeDuringAWriteAreCoalescedToTheNewest()
    {
        const QString path = m_folder.filePath(u"coalesced.txt"_s);
        LiveCaptionFile file;
        file.setPath(path);
        QVERIFY(settled(file));
        QSignalSpy writes(&file, &LiveCaptionFile::writeEnded);
        for (int number = 1; number <= 100; ++number)
            file.show(u"Line %1"_s.arg(number), QString());
        QVERIFY(settled(file));
        QCOMPARE(read(path), QByteArray("Line 100"));
        QCOMPARE(writes.size(), 2);
    }

    // A run's last text comes as its window goes: what still waits then is written.
    void whatWaitsWhenTheFileGoesIsWritten()
    {
        const QString path = m_folder.filePath(u"last.txt"_s);
        auto file = std::make_unique<LiveCaptionFile>();
        file->setPath(path);
        file->show(u"First"_s, QString());
        QVERIFY(settled(*file));
        file->show(u"Written"_s, QString());
        file->show(u"Waiting"_s, QString());
        QVERIFY(file->isBusy());
        file.reset();
        QTRY_COMPARE(read(path), QByteArray("Waiting"));
    }

    // The run goes on without its file: the failure is told once however many subtitles follow,
    // each of them tries again without a word, and the first that is written takes it back.
    void aFolderThatGoesIsToldOnceUntilAWriteSucceeds()
    {
        const QString folder = m_folder.filePath(u"gone"_s);
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + u"/live.txt"_s;
        LiveCaptionFile file;
        QSignalSpy problems(&file, &LiveCaptionFile::problemChanged);
        QSignalSpy writes(&file, &LiveCaptionFile::writeEnded);
        file.setPath(path);
        file.show(u"Before"_s, QString());
        QVERIFY(settled(file));
        QCOMPARE(read(path), QByteArray("Before"));

        QVERIFY(QDir(folder).removeRecursively());
        for (const QString &text : {u"One"_s, u"Two"_s, u"Three"_s}) {
            const qsizetype before = writes.size();
            file.show(text, QString());
            QVERIFY(settled(file));
            QCOMPARE(writes.size(), before + 1);
        }
        QCOMPARE(problems.size(), 1);
        QVERIFY(file.problem());
        QVERIFY2(file.problem()->contains(path), qPrintable(*file.problem()));

        QVERIFY(QDir().mkpath(folder));
        file.show(u"Back"_s, QString());
        QTRY_COMPARE(problems.size(), 2);
        QVERIFY(!file.problem());
        QCOMPARE(read(path), QByteArray("Back"));

        // Another file's trouble is not carried over to the next one chosen.
        QVERIFY(QDir(folder).removeRecursively());
        file.show(u"Lost"_s, QString());
        QTRY_COMPARE(problems.size(), 3);
        file.setPath(m_folder.filePath(u"elsewhere.txt"_s));
        QCOMPARE(problems.size(), 4);
        QVERIFY(settled(file));
        QVERIFY(!file.problem());
        QCOMPARE(read(m_folder.filePath(u"elsewhere.txt"_s)), QByteArray("Lost"));
    }
};

VOXLUME_TEST_MAIN(TestLiveCaptionFile)
#include "tst_LiveCaptionFile.moc"
