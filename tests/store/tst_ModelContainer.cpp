// SPDX-License-Identifier: GPL-3.0-or-later
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"
#include "Platform/Store/TranscriptQuery.h"
#include "Platform/Store/TranscriptWriter.h"
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
    return std::get<QList<Transcript *>>(context.fetchTranscripts());
}

QList<QUuid> idsOf(const QList<Transcript *> &transcripts)
{
    QList<QUuid> ids;
    for (const Transcript *transcript : transcripts)
        ids << transcript->id();
    return ids;
}

QList<QUuid> idsOf(const QList<Transcript::Summary> &summaries)
{
    QList<QUuid> ids;
    for (const Transcript::Summary &summary : summaries)
        ids << summary.id;
    return ids;
}

// Runs \a sql through a connection of its own, as another program would.
bool sqlite(const QString &path, const QString &sql)
{
    sqlite3 *database = nullptr;
    const bool done =
        sqlite3_open(path.toUtf8().constData(), &database) == SQLITE_OK &&
        sqlite3_exec(database, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(database);
    return done;
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

// The source texts of the records in the store at \a path, read as another program would.
QStringList storedTexts(const QString &path)
{
    QStringList texts;
    sqlite3 *database = nullptr;
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &database, SQLITE_OPEN_READONLY, nullptr) ==
            SQLITE_OK &&
        sqlite3_prepare_v2(database, "SELECT sourceText FROM Transcript ORDER BY sourceText", -1,
                           &statement, nullptr) == SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW)
            texts << QString::fromUtf8(
                reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)));
    }
    sqlite3_finalize(statement);
    sqlite3_close(database);
    return texts;
}

// The number that \a sql counts in the store at \a path, read as another program would.
int counted(const QString &path, const QString &sql)
{
    int count = -1;
    sqlite3 *database = nullptr;
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &database, SQLITE_OPEN_READONLY, nullptr) ==
            SQLITE_OK &&
        sqlite3_prepare_v2(database, sql.toUtf8().constData(), -1, &statement, nullptr) ==
            SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW)
        count = sqlite3_column_int(statement, 0);
    sqlite3_finalize(statement);
    sqlite3_close(database);
    return count;
}

bool hasJournal(const QString &path)
{
    return QFile::exists(path + u"-wal"_s) || QFile::exists(path + u"-shm"_s);
}

} // namespace

class TestModelContainer : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_folder;

    QString storePath() const { return m_folder->filePath(u"Voxlume/Transcripts.sqlite"_s); }

private Q_SLOTS:
    void init() { m_folder = std::make_unique<QTemporaryDir>(); }

    void keepsRecordsPrivatelyAcrossReopening()
    {
        // 08:35:06.789 UTC, the oldest of the records although its clock shows the latest hour.
        const QDateTime india(QDate(2024, 5, 1), QTime(14, 5, 6, 789), QTimeZone(19800));
        const QString unusual = u"It's “quoted” 😀\nand a second line, 'with' %1 ?1"_s;
        QList<QUuid> ids;
        {
            const std::unique_ptr<ModelContainer> container = openStore(storePath());
            QVERIFY(container);
            QCOMPARE(modeOf(QFileInfo(storePath()).absolutePath()), 0700);
            QCOMPARE(modeOf(storePath()), 0600);
            ModelContext context(*container);
            Transcript *kept = record(unusual, india, u"Traducción."_s);
            Transcript *edited = record(u"Before."_s, utc(9), u"Antes."_s);
            Transcript *removed = record(u"Removed."_s);
            Transcript *empty = record(QString(), utc(10), u""_s);
            for (Transcript *transcript : {kept, edited, removed, empty})
                context.insert(transcript);
            QVERIFY(!context.save());
            edited->setSourceText(u"After."_s);
            edited->setTargetText(std::nullopt);
            edited->setTargetLanguageString(u"fr-FR"_s);
            context.remove(removed);
            QVERIFY(!context.save());
            // Left to the main context's own save, with no turn of the loop before the close.
            Transcript *last = record(u"Last words."_s, utc(11));
            container->mainContext().insert(last);
            ids = {last->id(), empty->id(), edited->id(), kept->id()};
        }
        const std::unique_ptr<ModelContainer> container = openStore(storePath());
        QVERIFY(container);
        ModelContext context(*container);
        const QList<Transcript *> all = fetched(context);
        QCOMPARE(idsOf(all), ids);
        QCOMPARE(all.at(3)->sourceText(), unusual);
        QCOMPARE(all.at(3)->targetText(), u"Traducción."_s);
        QCOMPARE(all.at(3)->timestamp(), india);
        QCOMPARE(all.at(2)->sourceText(), u"After."_s);
        QCOMPARE(all.at(2)->targetText(), std::nullopt);
        QCOMPARE(all.at(2)->targetLanguageString(), u"fr-FR"_s);
        // An empty translation is a translation, not none.
        QCOMPARE(all.at(1)->targetText(), u""_s);
    }

    // A store made before cues opens and lists its runs, without times; cues written here leave
    // the layout version as it was, so that an older version still opens the file, and go with
    // their record.
    void keepsCuesBesideTheRecordsOfAnOlderStore()
    {
        QVERIFY(QDir().mkpath(QFileInfo(storePath()).absolutePath()));
        QVERIFY(sqlite(storePath(),
                       u"CREATE TABLE Transcript (id TEXT NOT NULL, sourceLanguageString TEXT "
                       "NOT NULL, targetLanguageString TEXT NOT NULL, sourceText TEXT NOT NULL, "
                       "targetText TEXT, timestamp TEXT NOT NULL); INSERT INTO Transcript VALUES "
                       "('6f1c0a8e-0d7b-4c51-9a59-1f4cfd7f3b11', 'en-US', 'es-ES', 'Old run.', "
                       "NULL, '2024-05-01T08:00:00.000Z'); PRAGMA user_version = 1"_s));
        const QList<CaptionCue> cues{{0.5, 2.0, u"Hello there."_s, u"Hola."_s},
                                     {2.0, 4.5, u"How are you?"_s, std::nullopt}};
        QUuid id;
        {
            const std::unique_ptr<ModelContainer> container = openStore(storePath());
            QVERIFY(container);
            ModelContext context(*container);
            const QList<Transcript *> old = fetched(context);
            QCOMPARE(old.size(), 1);
            QCOMPARE(old.first()->sourceText(), u"Old run."_s);
            QVERIFY(old.first()->cues().isEmpty());

            Transcript *timed = record(u"Hello there. How are you?"_s, utc(10));
            timed->setCues(cues);
            context.insert(timed);
            QVERIFY(!context.save());
            id = timed->id();
            // A later save with a translated cue and one cue fewer leaves exactly those.
            timed->setCues({{0.5, 2.0, u"Hello there."_s, u"Hola."_s}});
            QVERIFY(!context.save());
            timed->setCues(cues);
            QVERIFY(!context.save());
        }
        QCOMPARE(counted(storePath(), u"PRAGMA user_version"_s), 1);
        const std::unique_ptr<ModelContainer> container = openStore(storePath());
        QVERIFY(container);
        ModelContext context(*container);
        Transcript *timed = std::get<Transcript *>(context.fetchTranscript(id));
        QVERIFY(timed);
        QCOMPARE(timed->cues(), cues);
        QCOMPARE(fetched(context).first()->cues(), cues);

        context.remove(timed);
        QVERIFY(!context.save());
        QCOMPARE(counted(storePath(), u"SELECT count(*) FROM Cue"_s), 0);
        QCOMPARE(counted(storePath(), u"SELECT count(*) FROM Transcript"_s), 1);
    }

    // A running transcript's saves write only its new cues; a cue that changed since (its
    // translation came) is written again, and a record deleted meanwhile comes back whole.
    void theWriterKeepsEveryCueOfARunningTranscript()
    {
        const std::unique_ptr<ModelContainer> container = openStore(storePath());
        QVERIFY(container);
        TranscriptWriter &writer = container->transcriptWriter();
        Transcript *running = record(u"One. Two. Three."_s, utc(10));
        Transcript::Fields fields = running->fields();
        const auto storedCues = [&] {
            writer.finish(std::chrono::seconds(10));
            ModelContext context(*container);
            const std::variant<Transcript *, Error> found = context.fetchTranscript(running->id());
            const Transcript *transcript = std::get<Transcript *>(found);
            return transcript ? transcript->cues() : QList<CaptionCue>{{-1, -1, u"none"_s, {}}};
        };
        fields.cues = {{0, 1, u"One."_s, std::nullopt}, {1, 2, u"Two."_s, std::nullopt}};
        writer.write(running->id(), fields);
        QCOMPARE(storedCues(), fields.cues);
        fields.cues << CaptionCue{2, 3, u"Three."_s, std::nullopt};
        fields.cues[1].translation = u"Dos."_s;
        writer.write(running->id(), fields);
        QCOMPARE(storedCues(), fields.cues);

        ModelContext other(*container);
        other.remove(std::get<Transcript *>(other.fetchTranscript(running->id())));
        QVERIFY(!other.save());
        fields.cues << CaptionCue{3, 4, u"Four."_s, std::nullopt};
        writer.write(running->id(), fields);
        QCOMPARE(storedCues(), fields.cues);
    }

    void contextsAndTheLiveQueryFollowOnlySavedChanges()
    {
        const std::unique_ptr<ModelContainer> container = ModelContainer::inMemory();
        ModelContext writer(*container);
        ModelContext reader(*container);
        TranscriptQuery query(reader);
        QSignalSpy listChanged(&query, &TranscriptQuery::transcriptsChanged);
        Transcript *original = record(u"Hello."_s, utc(9));
        writer.insert(original);
        QCoreApplication::processEvents();
        QCOMPARE(listChanged.count(), 0);
        QVERIFY(fetched(reader).isEmpty());
        QVERIFY(!writer.save());
        QVERIFY(listChanged.wait());
        QCOMPARE(idsOf(query.transcripts()), QList<QUuid>{original->id()});
        Transcript *copy = fetched(reader).first();
        QCOMPARE(fetched(reader), QList<Transcript *>{copy});

        // A changed field is told by the record once saved and fetched; the list itself stays.
        QSignalSpy copyChanged(copy, &Transcript::changed);
        QSignalSpy queryFetched(&query, &TranscriptQuery::refreshed);
        original->setSourceText(u"Edited."_s);
        fetched(reader);
        QCOMPARE(copy->sourceText(), u"Hello."_s);
        QVERIFY(!writer.save());
        QVERIFY(queryFetched.wait());
        fetched(reader);
        QCOMPARE(copyChanged.count(), 1);
        QCOMPARE(copy->sourceText(), u"Edited."_s);
        QCOMPARE(listChanged.count(), 1);

        // What a context has not saved yet is not overwritten by what another one saved.
        copy->setTargetText(u"Mine."_s);
        original->setTimestamp(utc(10));
        QVERIFY(!writer.save());
        fetched(reader);
        QCOMPARE(copy->targetText(), u"Mine."_s);

        // The query's own unsaved records take their place among the stored ones, newest first;
        // the main context saves by itself, on a later turn of the loop.
        Transcript *newer = record(u"Newer."_s, utc(11));
        reader.insert(newer);
        Transcript *older = record(u"Older."_s, utc(8));
        container->mainContext().insert(older);
        QTRY_COMPARE(idsOf(query.transcripts()),
                     (QList<QUuid>{newer->id(), copy->id(), older->id()}));

        reader.remove(copy);
        QVERIFY(!reader.save());
        QCOMPARE(idsOf(fetched(writer)), (QList<QUuid>{newer->id(), older->id()}));
    }

    void readsAtOnceButWritesOnlyAfterTheCheckInTheBackground()
    {
        {
            const std::unique_ptr<ModelContainer> container = openStore(storePath());
            QVERIFY(container);
            container->mainContext().insert(record(u"Kept before."_s, utc(8)));
            QVERIFY(!container->mainContext().save());
        }
        std::variant<std::unique_ptr<ModelContainer>, Error> opened =
            ModelContainer::open(storePath(), ModelContainer::Check::InBackground);
        QVERIFY(std::holds_alternative<std::unique_ptr<ModelContainer>>(opened));
        ModelContainer &container = *std::get<std::unique_ptr<ModelContainer>>(opened);
        QSignalSpy passed(&container, &ModelContainer::checkPassed);
        // The outcome comes on a turn of the loop, which has not been taken yet.
        QVERIFY(container.isChecking());

        TranscriptWriter &writer = container.transcriptWriter();
        QSignalSpy written(&writer, &TranscriptWriter::written);
        QSignalSpy failed(&writer, &TranscriptWriter::failed);
        const QUuid runId = QUuid::createUuid();
        writer.write(runId, std::unique_ptr<Transcript>(record(u"Said meanwhile."_s))->fields());
        container.mainContext().insert(record(u"Changed meanwhile."_s, utc(10)));
        ModelContext other(container);
        other.insert(record(u"Saved meanwhile."_s, utc(11)));
        const std::optional<Error> refused = other.save();
        QVERIFY(refused);
        QCOMPARE(refused->code(), qint64(ModelContainer::StillChecking));
        // Read meanwhile, with the unsaved changes; written by nobody.
        QCOMPARE(fetched(container.mainContext()).size(), 2);
        QVERIFY(!writer.finish(std::chrono::milliseconds(200)));
        QCOMPARE(storedTexts(storePath()), QStringList{u"Kept before."_s});

        QVERIFY(passed.wait(5000));
        QVERIFY(!container.isChecking());
        QVERIFY(!container.checkError());
        QTRY_COMPARE(written.size(), 1);
        QVERIFY(!other.save());
        QTRY_COMPARE(storedTexts(storePath()),
                     (QStringList{u"Changed meanwhile."_s, u"Kept before."_s, u"Said meanwhile."_s,
                                  u"Saved meanwhile."_s}));
        QCOMPARE(failed.size(), 0);
    }

    void theEndOfTheProgramWaitsForTheCheckToWrite()
    {
        QVERIFY(openStore(storePath()));
        std::variant<std::unique_ptr<ModelContainer>, Error> opened =
            ModelContainer::open(storePath(), ModelContainer::Check::InBackground);
        ModelContainer &container = *std::get<std::unique_ptr<ModelContainer>>(opened);
        TranscriptWriter &writer = container.transcriptWriter();
        writer.write(QUuid::createUuid(),
                     std::unique_ptr<Transcript>(record(u"Last words."_s))->fields());
        QVERIFY(container.isChecking());
        QVERIFY(!writer.finish(std::chrono::seconds(5)));

        container.waitForCheck(std::chrono::seconds(5));
        QVERIFY(!container.isChecking());
        QVERIFY(writer.finish(std::chrono::seconds(5)));
        QCOMPARE(storedTexts(storePath()), QStringList{u"Last words."_s});
    }

    void refusesWhatIsNoSoundTranscriptStore_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("code");
        // A closed sound store with a few dozen records, which the damaged files are made from.
        const QTemporaryDir folder;
        const QString path = folder.filePath(u"sound.sqlite"_s);
        {
            const std::unique_ptr<ModelContainer> container = openStore(path);
            ModelContext context(*container);
            for (int i = 0; i < 40; ++i)
                context.insert(record(u"Some words of a record. "_s.repeated(60), utc(8, i)));
            QVERIFY(!context.save());
        }
        const QByteArray sound = contentOf(path);
        QVERIFY(sound.size() > 10 * 4096);
        QByteArray noise(100 * 1024, Qt::Uninitialized);
        QRandomGenerator(42).fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
        const int damaged = ModelContainer::Damaged;
        QTest::newRow("random bytes") << noise << QString() << damaged;
        // A torn header, and a file that lacks only its last page.
        for (const qsizetype cut : {qsizetype(100), sound.size() - 4096})
            QTest::addRow("store cut to %lld bytes", qlonglong(cut))
                << sound.left(cut) << QString() << damaged;
        QTest::newRow("newer layout")
            << sound << u"PRAGMA user_version = %1"_s.arg(ModelContainer::schemaVersion + 1)
            << int(ModelContainer::NewerVersion);
        QTest::newRow("other tables")
            << QByteArray() << u"CREATE TABLE Notes (title TEXT); INSERT INTO Notes VALUES ('x')"_s
            << int(ModelContainer::NotATranscriptStore);
        QTest::newRow("other columns")
            << QByteArray()
            << u"CREATE TABLE Transcript (id TEXT, text TEXT); PRAGMA user_version = 1"_s
            << int(ModelContainer::NotATranscriptStore);
    }

    void refusesWhatIsNoSoundTranscriptStore()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, sql);
        QFETCH(int, code);
        QVERIFY(QDir().mkpath(QFileInfo(storePath()).absolutePath()));
        QFile file(storePath());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        file.close();
        QVERIFY(sql.isEmpty() || sqlite(storePath(), sql));
        const QByteArray before = contentOf(storePath());

        // At once, or found by the check in the background, which the store has to wait for.
        for (const ModelContainer::Check check :
             {ModelContainer::Check::Now, ModelContainer::Check::InBackground}) {
            std::variant<std::unique_ptr<ModelContainer>, Error> opened =
                ModelContainer::open(storePath(), check);
            std::optional<Error> error;
            if (auto *container = std::get_if<std::unique_ptr<ModelContainer>>(&opened)) {
                QVERIFY2(check == ModelContainer::Check::InBackground,
                         "the file was taken for a store");
                error = refusedLater(**container);
                QVERIFY2(error, "the file was taken for a store after its check");
                // Let go of the store before its file is looked at.
                opened = *error;
            } else {
                error = std::get<Error>(opened);
            }
            QCOMPARE(error->domain(), ModelContainer::errorDomain());
            QCOMPARE(error->code(), qint64(code));
            QVERIFY2(error->localizedDescription().contains(storePath()),
                     qPrintable(error->localizedDescription()));
            QVERIFY2(contentOf(storePath()) == before, "the file was changed");
            QVERIFY(!hasJournal(storePath()));
        }
    }

private:
    // Waits for the check of \a container to refuse its file, and tries to write to it then; the
    // refusal.
    static std::optional<Error> refusedLater(ModelContainer &container)
    {
        QSignalSpy checkFailed(&container, &ModelContainer::checkFailed);
        if (!checkFailed.wait(5000) || !container.checkError())
            return std::nullopt;
        const Error error = *container.checkError();
        TranscriptWriter &writer = container.transcriptWriter();
        QSignalSpy failed(&writer, &TranscriptWriter::failed);
        const QUuid id = QUuid::createUuid();
        writer.write(id, std::unique_ptr<Transcript>(record(u"Kept."_s))->fields());
        container.mainContext().insert(record(u"Not written."_s));
        const bool kept = failed.size() == 1 && writer.unwritten().size() == 1 &&
                          writer.unwritten().first().first == id &&
                          !writer.finish(std::chrono::seconds(1)) &&
                          container.mainContext().save() == error;
        return kept ? std::optional(error) : std::nullopt;
    }
};

VOXLUME_TEST_MAIN(TestModelContainer)
#include "tst_ModelContainer.moc"
