// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileGrowthLimit.h"
#include "LogCapture.h"
#include "SettingsKeys.h"
#include "StoredTranscripts.h"
#include "TestMain.h"
#include "TranscriptionModel.h"

#include <QFileInfo>

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
    QStringList storedTexts()
    {
        QStringList texts;
        for (const StoredTranscript &transcript : storedTranscripts(path()))
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
        QCOMPARE(storedTexts(), QStringList{QString()});

        model().updateSourceText(u"Hello."_s);
        model().updateSourceText(QString()); // an empty text never replaces what was heard
        model().startNewTranscript();        // replaces one that holds text
        QCOMPARE(storedTexts(), (QStringList{QString(), u"Hello."_s}));
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

    void failedSavesAreReportedAndWrittenWithTheNextSave()
    {
        {
            const LogCapture log;
            const FileGrowthLimit limit = fullDisk();
            model().startNewTranscript();
            // Reported to the crash reporter even though the user asked not to see errors.
            const QStringList lines = log.lines();
            QVERIFY(std::any_of(lines.cbegin(), lines.cend(), [](const QString &line) {
                return line.startsWith(u"Error: Error Domain=TranscriptionModel:_errorMessage"_s) &&
                       line.contains(u"Failed to save new transcript: "_s + sqliteWriteError);
            }));
        }
        QCOMPARE(model().errorMessage(), u"Failed to save new transcript: "_s + sqliteWriteError);
        QVERIFY(model().currentTranscript());
        QVERIFY(!model().shouldShowError());
        QVERIFY(storedTexts().isEmpty());
        model().updateSourceText(u"Hello."_s);
        QCOMPARE(storedTexts(), QStringList{u"Hello."_s});

        Setting(SettingsKeys::showErrors).setValue(true);
        {
            const FileGrowthLimit limit = fullDisk();
            model().updateSourceText(u"Hello. Goodbye."_s);
        }
        QCOMPARE(model().errorMessage(), u"Failed to save transcript: "_s + sqliteWriteError);
        QVERIFY(model().shouldShowError());
        QCOMPARE(storedTexts(), QStringList{u"Hello."_s});
        model().startNewTranscript();
        QCOMPARE(storedTexts(), (QStringList{QString(), u"Hello. Goodbye."_s}));

        // A failed end still closes the transcript; its removal is written with the next save.
        {
            const FileGrowthLimit limit = fullDisk();
            model().endTranscript();
        }
        QCOMPARE(model().errorMessage(), u"Failed to save transcript: "_s + sqliteWriteError);
        QVERIFY(!model().currentTranscript());
        model().updateSourceText(u"Too late."_s);
        QCOMPARE(model().errorMessage(), u"No current transcript to update"_s);
        QCOMPARE(storedTexts(), (QStringList{QString(), u"Hello. Goodbye."_s}));
        model().startNewTranscript();
        model().updateSourceText(u"Again."_s);
        QCOMPARE(storedTexts(), (QStringList{u"Again."_s, u"Hello. Goodbye."_s}));
    }
};

VOXLUME_TEST_MAIN(TestTranscriptionModel)
#include "tst_TranscriptionModel.moc"
