// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileGrowthLimit.h"
#include "LogCapture.h"
#include "Models/TranscriptionModel.h"
#include "Platform/Settings/SettingsKeys.h"
#include "Platform/Store/SqliteConnection.h"
#include "StoredTranscripts.h"
#include "TestMain.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <sqlite3.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// SQLite's own words for a write that the system refuses with EFBIG.
const QString sqliteWriteError = u"disk I/O error"_s;

} // namespace

class TestTranscriptionModel : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<ModelContainer> m_store;
    std::unique_ptr<TranscriptionModel> m_model;

    QString path() const { return m_folder->filePath(u"Transcripts.sqlite"_s); }
    TranscriptionModel &model() { return *m_model; }
    // What the store holds once every write on its way has ended.
    QStringList storedTexts()
    {
        m_store->transcriptWriter().finish(std::chrono::seconds(10));
        return storedTexts(path());
    }
    static QStringList storedTexts(const QString &path)
    {
        QStringList texts;
        for (const StoredTranscript &transcript : storedTranscripts(path))
            texts << transcript.sourceText;
        return texts;
    }
    // Every save goes into the write-ahead journal first; no file may grow past its present end.
    FileGrowthLimit fullDisk() const
    {
        return FileGrowthLimit(QFileInfo(path() + u"-wal"_s).size());
    }

private Q_SLOTS:
    void init()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        m_store = std::get<std::unique_ptr<ModelContainer>>(ModelContainer::open(path()));
        m_model = std::make_unique<TranscriptionModel>(*m_store);
        model().setSourceLanguage(Language(u"en"_s, {}, u"US"_s));
        model().setTargetLanguage(Language(u"es"_s, {}, u"ES"_s));
        SettingsStore::shared().remove(u"showErrors"_s);
    }

    void cleanup()
    {
        m_model.reset();
        m_store.reset();
        m_folder.reset();
    }

    void onlyTranscriptsThatHeardSomethingStay()
    {
        model().startNewTranscript();
        model().startNewTranscript(); // replaces one that heard nothing
        QVERIFY(storedTexts().isEmpty());

        model().updateSourceText(u"Hello."_s);
        model().updateSourceText(QString()); // an empty text never replaces what was heard
        model().startNewTranscript();        // replaces one that holds text
        model().endTranscript();
        model().endTranscript();
        model().updateSourceText(QString());
        QVERIFY(!model().currentTranscript());
        QCOMPARE(storedTexts(), QStringList{u"Hello."_s});
        QVERIFY(!model().errorMessage());

        // Without both languages no transcript opens, and what is heard then has nowhere to go.
        model().setTargetLanguage(std::nullopt);
        model().startNewTranscript();
        QVERIFY(!model().currentTranscript());
        model().updateSourceText(u"Lost words."_s);
        QCOMPARE(model().errorMessage(), u"No current transcript to update"_s);
        QVERIFY(!model().shouldShowError());
        QCOMPARE(storedTexts(), QStringList{u"Hello."_s});
    }

    void aFailedWriteKeepsTheTextSaysSoAndIsTriedAgain()
    {
        QSignalSpy problems(&model(), &TranscriptionModel::saveProblemChanged);
        model().startNewTranscript();
        {
            const LogCapture log;
            const FileGrowthLimit limit = fullDisk();
            model().updateSourceText(u"Hello."_s);
            QTRY_VERIFY(model().saveProblem());
            // Reported to the crash reporter even though the user asked not to see errors.
            const QStringList lines = log.lines();
            QVERIFY(std::any_of(lines.cbegin(), lines.cend(), [](const QString &line) {
                return line.startsWith(u"Error: Error Domain=TranscriptionModel:_errorMessage"_s) &&
                       line.contains(u"Failed to save transcript: "_s + sqliteWriteError);
            }));
        }
        QCOMPARE(*model().saveProblem(), u"The transcript could not be saved: "_s +
                                             sqliteWriteError +
                                             u". It is kept and saved as soon as that works."_s);
        QVERIFY(!model().shouldShowError());
        QVERIFY(storedTexts(path()).isEmpty());
        // The next text is the next try.
        model().updateSourceText(u"Hello. Goodbye."_s);
        QTRY_VERIFY(!model().saveProblem());
        QCOMPARE(storedTexts(), QStringList{u"Hello. Goodbye."_s});
        QCOMPARE(problems.size(), 2);

        // The end of the run is another.
        {
            const FileGrowthLimit limit = fullDisk();
            model().updateSourceText(u"Hello. Goodbye. Again."_s);
            QTRY_VERIFY(model().saveProblem());
        }
        model().endTranscript();
        QTRY_VERIFY(!model().saveProblem());
        QCOMPARE(storedTexts(), QStringList{u"Hello. Goodbye. Again."_s});
    }

    void aLockedStoreIsWaitedForOffTheMainThread()
    {
        std::unique_ptr<SqliteConnection> other = std::get<std::unique_ptr<SqliteConnection>>(
            SqliteConnection::open(path(), SQLITE_OPEN_READWRITE));
        QVERIFY(!other->execute(u"BEGIN EXCLUSIVE"_s));
        model().startNewTranscript();
        model().updateSourceText(u"Held up."_s);
        // The main thread goes on while the writer waits for the lock, and is told when it gives
        // up.
        QTRY_VERIFY_WITH_TIMEOUT(model().saveProblem(), 10'000);
        QVERIFY(model().saveProblem()->contains(u"another program is using"_s));
        QVERIFY(!other->execute(u"COMMIT"_s));
        model().endTranscript();
        QTRY_VERIFY(!model().saveProblem());
        QCOMPARE(storedTexts(), QStringList{u"Held up."_s});
    }
};

VOXLUME_TEST_MAIN(TestTranscriptionModel)
#include "tst_TranscriptionModel.moc"
