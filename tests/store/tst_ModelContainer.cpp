// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileGrowthLimit.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"
#include "Platform/Store/SqliteConnection.h"
#include "Platform/Store/TranscriptQuery.h"
#include "TestMain.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTimeZone>
#include <sqlite3.h>
#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

namespace {

QDateTime utc(int hour, int minute = 0)
{
    return QDateTime(QDate(2024, 5, 1), QTime(hour, minute), QTimeZone::utc());
}

Transcript *record(const QString &text, const QDateTime &timestamp = utc(9),
                   const std::optional<QString> &translation = std::nullopt)
{
    return new Transcript(Language(u"en"_s, {}, u"US"_s), Language(u"es"_s, {}, u"ES"_s), text,
                          translation, timestamp);
}

std::unique_ptr<ModelContainer> openStore(const QString &path)
{
    std::variant<std::unique_ptr<ModelContainer>, Error> opened = ModelContainer::open(path);
    if (auto *container = std::get_if<std::unique_ptr<ModelContainer>>(&opened))
        return std::move(*container);
    qWarning("%s", qUtf8Printable(std::get<Error>(opened).description()));
    return nullptr;
}

QList<Transcript *> fetched(ModelContext &context)
{
    std::variant<QList<Transcript *>, Error> result = context.fetchTranscripts();
    if (const Error *error = std::get_if<Error>(&result))
        qWarning("%s", qUtf8Printable(error->description()));
    return std::get_if<QList<Transcript *>>(&result) ? std::get<QList<Transcript *>>(result)
                                                     : QList<Transcript *>();
}

QList<QUuid> idsOf(const QList<Transcript *> &transcripts)
{
    QList<QUuid> ids;
    for (const Transcript *transcript : transcripts)
        ids << transcript->id();
    return ids;
}

// Runs \a sql through a connection of its own, as another program would, and gives the first
// value it returns, or the error.
QString sqlite(const QString &path, const QString &sql)
{
    sqlite3 *database = nullptr;
    QString result;
    sqlite3_open(path.toUtf8().constData(), &database);
    const auto firstValue = [](void *out, int, char **values, char **) {
        if (static_cast<QString *>(out)->isNull() && values[0])
            *static_cast<QString *>(out) = QString::fromUtf8(values[0]);
        return 0;
    };
    if (sqlite3_exec(database, sql.toUtf8().constData(), firstValue, &result, nullptr))
        result = u"error: "_s + QString::fromUtf8(sqlite3_errmsg(database));
    sqlite3_close(database);
    return result;
}

int modeOf(const QString &path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool hasJournal(const QString &path)
{
    return QFile::exists(path + u"-wal"_s) || QFile::exists(path + u"-shm"_s);
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// Saves with every file of this process limited to \a bytes, so that writing past them fails as
// on a full disk.
std::optional<Error> saveWithFileSizeLimit(ModelContext &context, qint64 bytes)
{
    const FileGrowthLimit limit(bytes);
    return context.save();
}

} // namespace

class TestModelContainer : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_shared;
    // A closed sound store with a few dozen records, which the damaged files are made from.
    QByteArray m_soundStore;
    std::unique_ptr<QTemporaryDir> m_folder;

    QString storePath() const { return m_folder->filePath(u"Voxlume/Transcripts.sqlite"_s); }

    void checkRefusedUntouched(const QString &path, ModelContainer::ErrorCode code)
    {
        const QByteArray before = contentOf(path);
        QVERIFY(!hasJournal(path));
        std::variant<std::unique_ptr<ModelContainer>, Error> opened = ModelContainer::open(path);
        const Error *error = std::get_if<Error>(&opened);
        QVERIFY2(error, "the file was taken for a store");
        QCOMPARE(error->domain(), ModelContainer::errorDomain());
        QCOMPARE(error->code(), qint64(code));
        QVERIFY2(error->localizedDescription().contains(path),
                 qPrintable(error->localizedDescription()));
        QVERIFY2(contentOf(path) == before, "the file was changed");
        QVERIFY(!hasJournal(path));
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QString path = m_shared.filePath(u"sound.sqlite"_s);
        {
            const std::unique_ptr<ModelContainer> container = openStore(path);
            QVERIFY(container);
            ModelContext context(*container);
            for (int i = 0; i < 40; ++i)
                context.insert(record(u"Some words of a record. "_s.repeated(60), utc(8, i)));
            QVERIFY(!context.save());
        }
        // Closing folds the journal back, so the file alone is the whole store.
        QVERIFY(!hasJournal(path));
        m_soundStore = contentOf(path);
        QVERIFY(m_soundStore.size() > 10 * 4096);
    }

    void init() { m_folder = std::make_unique<QTemporaryDir>(); }

    void createsAPrivateVersionedStore()
    {
        QCOMPARE(ModelContainer::defaultPath(),
                 qEnvironmentVariable("XDG_DATA_HOME") + u"/Voxlume/Transcripts.sqlite"_s);
        const QString path = m_folder->filePath(u"new/Voxlume/Transcripts.sqlite"_s);
        QVERIFY(openStore(path));
        QCOMPARE(modeOf(m_folder->filePath(u"new/Voxlume"_s)), 0700);
        QCOMPARE(modeOf(path), 0600);
        QCOMPARE(sqlite(path, u"PRAGMA user_version"_s),
                 QString::number(ModelContainer::schemaVersion));
        QCOMPARE(sqlite(path, u"PRAGMA journal_mode"_s), u"wal"_s);
    }

    void keepsRecordsAcrossReopening()
    {
        // 08:35:06.789 UTC, the oldest of the records although its clock shows the latest hour.
        const QDateTime india(QDate(2024, 5, 1), QTime(14, 5, 6, 789), QTimeZone(19800));
        const QString unusual = u"It's “quoted” 😀\nand a second line, 'with' %1 ?1"_s;
        QList<QUuid> ids;
        QUuid removedId;
        {
            const std::unique_ptr<ModelContainer> container = openStore(storePath());
            QVERIFY(container);
            ModelContext context(*container);
            Transcript *kept = record(unusual, india, u"Traducción."_s);
            Transcript *edited = record(u"Before."_s, utc(9), u"Antes."_s);
            Transcript *removed = record(u"Removed."_s);
            Transcript *empty = record(QString(), utc(10), u""_s);
            for (Transcript *transcript : {kept, edited, removed, empty})
                context.insert(transcript);
            QVERIFY(!context.save());
            ids = {empty->id(), edited->id(), kept->id()};
            removedId = removed->id();
            edited->setSourceText(u"After."_s);
            edited->setTargetText(std::nullopt);
            edited->setTargetLanguageString(u"fr-FR"_s);
            context.remove(removed);
            QVERIFY(!context.save());
        }
        const std::unique_ptr<ModelContainer> container = openStore(storePath());
        QVERIFY(container);
        ModelContext context(*container);
        const QList<Transcript *> all = fetched(context);
        QCOMPARE(idsOf(all), ids);
        const Transcript *kept = all.at(2);
        QCOMPARE(kept->sourceText(), unusual);
        QCOMPARE(kept->targetText(), u"Traducción."_s);
        QCOMPARE(kept->timestamp(), india);
        QCOMPARE(all.at(1)->sourceText(), u"After."_s);
        QCOMPARE(all.at(1)->targetText(), std::nullopt);
        QCOMPARE(all.at(1)->targetLanguageString(), u"fr-FR"_s);
        // An empty translation is a translation, not none.
        QCOMPARE(all.at(0)->targetText(), u""_s);
        // Times are stored as UTC text, so that they sort as text in any SQLite tool.
        QCOMPARE(sqlite(storePath(), u"SELECT min(timestamp) FROM Transcript"_s),
                 u"2024-05-01T08:35:06.789Z"_s);

        // One object per record in a context, however it is fetched.
        QCOMPARE(std::get<Transcript *>(context.fetchTranscript(ids.at(2))), kept);
        QCOMPARE(fetched(context), all);
        QVERIFY(!std::get<Transcript *>(context.fetchTranscript(removedId)));
    }

    void contextsShareOnlySavedChanges()
    {
        const std::unique_ptr<ModelContainer> container = ModelContainer::inMemory();
        ModelContext writer(*container);
        ModelContext reader(*container);
        Transcript *original = record(u"Hello."_s);
        const QUuid id = original->id();
        writer.insert(original);
        QCOMPARE(fetched(writer), QList<Transcript *>{original});
        QVERIFY(fetched(reader).isEmpty());
        QVERIFY(!writer.save());
        const QList<Transcript *> seen = fetched(reader);
        QCOMPARE(idsOf(seen), QList<QUuid>{id});
        Transcript *copy = seen.first();
        QVERIFY(copy != original);

        original->setSourceText(u"Edited."_s);
        fetched(reader);
        QCOMPARE(copy->sourceText(), u"Hello."_s);
        QSignalSpy copyChanged(copy, &Transcript::changed);
        QVERIFY(!writer.save());
        QCOMPARE(fetched(reader), seen);
        QCOMPARE(copy->sourceText(), u"Edited."_s);
        QCOMPARE(copyChanged.count(), 1);

        // What a context has not saved yet is not overwritten by what another one saved.
        copy->setTargetText(u"Mine."_s);
        original->setTimestamp(utc(10));
        QVERIFY(!writer.save());
        fetched(reader);
        QCOMPARE(copy->targetText(), u"Mine."_s);

        reader.remove(copy);
        QVERIFY(fetched(reader).isEmpty());
        QCOMPARE(fetched(writer), QList<Transcript *>{original});
        QVERIFY(!reader.save());
        QVERIFY(fetched(writer).isEmpty());
        QVERIFY(!std::get<Transcript *>(writer.fetchTranscript(id)));
    }

    void liveQueryFollowsEveryContext()
    {
        const std::unique_ptr<ModelContainer> container = ModelContainer::inMemory();
        ModelContext writer(*container);
        ModelContext reader(*container);
        TranscriptQuery query(reader);
        QSignalSpy listChanged(&query, &TranscriptQuery::transcriptsChanged);
        QVERIFY(query.transcripts().isEmpty());

        Transcript *written = record(u"Hello."_s, utc(9));
        writer.insert(written);
        QCoreApplication::processEvents();
        QCOMPARE(listChanged.count(), 0);
        QVERIFY(!writer.save());
        QVERIFY(listChanged.wait());
        QCOMPARE(idsOf(query.transcripts()), QList<QUuid>{written->id()});

        // A changed field is told by the record; the list itself stays.
        Transcript *listed = query.transcripts().first();
        QSignalSpy listedChanged(listed, &Transcript::changed);
        written->setSourceText(u"Hello again."_s);
        QVERIFY(!writer.save());
        QTRY_COMPARE(listedChanged.count(), 1);
        QCOMPARE(listed->sourceText(), u"Hello again."_s);
        QCOMPARE(listChanged.count(), 1);

        // The query's own unsaved records take their place among the stored ones, newest first.
        Transcript *newer = record(u"Newer."_s, utc(11));
        Transcript *older = record(u"Older."_s, utc(8));
        reader.insert(newer);
        reader.insert(older);
        QVERIFY(listChanged.wait());
        QCOMPARE(query.transcripts(), (QList<Transcript *>{newer, listed, older}));

        writer.remove(written);
        QVERIFY(!writer.save());
        QVERIFY(listChanged.wait());
        QCOMPARE(query.transcripts(), (QList<Transcript *>{newer, older}));
    }

    void mainContextSavesByItself()
    {
        const std::unique_ptr<ModelContainer> container = ModelContainer::inMemory();
        ModelContext &main = container->mainContext();
        ModelContext other(*container);
        QSignalSpy saved(container.get(), &ModelContainer::didSave);

        Transcript *transcript = record(u"Hello."_s);
        main.insert(transcript);
        QVERIFY(main.hasChanges());
        QVERIFY(saved.wait());
        QCOMPARE(saved.takeFirst().first().value<ModelContext *>(), &main);
        QVERIFY(!main.hasChanges());
        QCOMPARE(idsOf(fetched(other)), QList<QUuid>{transcript->id()});

        transcript->setSourceText(u"Later."_s);
        QVERIFY(saved.wait());
        QCOMPARE(fetched(other).first()->sourceText(), u"Later."_s);

        // A change made just before the store closes, with no turn of the loop left to save it.
        QUuid lastId;
        {
            const std::unique_ptr<ModelContainer> closing = openStore(storePath());
            Transcript *last = record(u"Last words."_s);
            lastId = last->id();
            closing->mainContext().insert(last);
        }
        const std::unique_ptr<ModelContainer> reopened = openStore(storePath());
        QCOMPARE(idsOf(fetched(reopened->mainContext())), QList<QUuid>{lastId});
    }

    void failedSaveKeepsChangesForTheNext()
    {
        const std::unique_ptr<ModelContainer> container = openStore(storePath());
        QVERIFY(container);
        ModelContext context(*container);
        Transcript *kept = record(u"Kept."_s, utc(9));
        Transcript *edited = record(u"Before."_s, utc(10));
        Transcript *removed = record(u"Removed."_s, utc(11));
        for (Transcript *transcript : {kept, edited, removed})
            context.insert(transcript);
        QVERIFY(!context.save());

        edited->setSourceText(u"After."_s);
        context.remove(removed);
        Transcript *large = record(QString(1'000'000, u'x'), utc(12));
        context.insert(large);
        QSignalSpy saved(container.get(), &ModelContainer::didSave);
        const qint64 used =
            std::max(QFileInfo(storePath()).size(), QFileInfo(storePath() + u"-wal"_s).size());
        const std::optional<Error> failure = saveWithFileSizeLimit(context, used + 16 * 1024);
        QVERIFY(failure);
        QCOMPARE(failure->domain(), SqliteConnection::errorDomain());
        QCOMPARE(failure->localizedDescription(),
                 QString::fromUtf8(sqlite3_errstr(int(failure->code()))));
        QCOMPARE(saved.count(), 0);
        QVERIFY(context.hasChanges());
        // Nothing of the failed save reached the file.
        const QString lengths = u"SELECT group_concat(length(sourceText), ' ') FROM "
                                "(SELECT sourceText FROM Transcript ORDER BY timestamp)"_s;
        QCOMPARE(sqlite(storePath(), lengths), u"5 7 8"_s);
        QCOMPARE(idsOf(fetched(context)), (QList<QUuid>{large->id(), edited->id(), kept->id()}));

        QVERIFY(!context.save());
        QVERIFY(!context.hasChanges());
        QCOMPARE(sqlite(storePath(), lengths), u"5 6 1000000"_s);
    }

    void refusesDatabasesOfOtherKinds_data()
    {
        QTest::addColumn<bool>("fromStore");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("code");
        QTest::newRow("newer layout")
            << true << u"PRAGMA user_version = %1"_s.arg(ModelContainer::schemaVersion + 1)
            << int(ModelContainer::NewerVersion);
        QTest::newRow("other tables")
            << false << u"CREATE TABLE Notes (title TEXT); INSERT INTO Notes VALUES ('x')"_s
            << int(ModelContainer::NotATranscriptStore);
        QTest::newRow("other columns")
            << false << u"CREATE TABLE Transcript (id TEXT, text TEXT); PRAGMA user_version = 1"_s
            << int(ModelContainer::NotATranscriptStore);
    }

    void refusesDatabasesOfOtherKinds()
    {
        QFETCH(bool, fromStore);
        QFETCH(QString, sql);
        QFETCH(int, code);
        const QString path = m_folder->filePath(u"other.sqlite"_s);
        if (fromStore)
            QVERIFY(writeFile(path, m_soundStore));
        QCOMPARE(sqlite(path, sql), QString());
        checkRefusedUntouched(path, ModelContainer::ErrorCode(code));
    }

    void refusesDamagedFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QByteArray noise(100 * 1024, Qt::Uninitialized);
        QRandomGenerator(42).fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
        QTest::newRow("random bytes, 4 KiB") << noise.left(4096);
        QTest::newRow("random bytes, 100 KiB") << noise;
        const qsizetype size = m_soundStore.size();
        for (const qsizetype cut : {qsizetype(10), qsizetype(100), qsizetype(4096), size / 2 + 123,
                                    size - 4096, size - 5096})
            QTest::addRow("store cut to %lld bytes", qlonglong(cut)) << m_soundStore.left(cut);
    }

    void refusesDamagedFiles()
    {
        QFETCH(QByteArray, content);
        QVERIFY(QDir().mkpath(QFileInfo(storePath()).absolutePath()));
        QVERIFY(writeFile(storePath(), content));
        checkRefusedUntouched(storePath(), ModelContainer::Damaged);
    }
};

VOXLUME_TEST_MAIN(TestModelContainer)
#include "tst_ModelContainer.moc"
