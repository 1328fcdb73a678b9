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

const Language english(u"en"_s, {}, u"US"_s);
const Language spanish(u"es"_s, {}, u"ES"_s);

// SQLite's own words for a write that the system refuses with EFBIG.
const QString sqliteWriteError = u"disk I/O error"_s;

// Whether \a message went to the crash reporter as the model's error.
bool reported(const LogCapture &log, const QString &message)
{
    const QStringList lines = log.lines();
    return std::any_of(lines.cbegin(), lines.cend(), [&](const QString &line) {
        return line.startsWith(u"Error: Error Domain=TranscriptionModel:_errorMessage Code="_s) &&
               line.contains(message);
    });
}

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
    // Every save goes into the write-ahead journal first.
    // No file may grow past the journal's present end.
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
        model().setSourceLanguage(english);
        model().setTargetLanguage(spanish);
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
        const LogCapture log;
        model().startNewTranscript();
        model().startNewTranscript(); // replaces one that heard nothing
        const QList<StoredTranscript> opened = storedTranscripts(path());
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened[0].id, model().currentTranscript()->id());
        QCOMPARE(opened[0].sourceLanguage, u"en-US"_s);
        QCOMPARE(opened[0].targetLanguage, u"es-ES"_s);
        QCOMPARE(opened[0].targetText, std::nullopt);

        model().updateSourceText(u"Hello."_s);
        model().startNewTranscript(); // replaces one that holds text
        QCOMPARE(storedTexts(), (QStringList{QString(), u"Hello."_s}));
        model().endTranscript();
        model().endTranscript();
        QVERIFY(!model().currentTranscript());
        QCOMPARE(storedTexts(), QStringList{u"Hello."_s});
        QCOMPARE(log.breadcrumbs().count(u"Ending transcript"_s), 1);
        QVERIFY(!model().errorMessage());
    }

    void everyUpdateIsStoredAtOnceAndEmptyOnesAreIgnored()
    {
        model().startNewTranscript();
        const LogCapture log;
        model().updateSourceText(u"One."_s);
        QCOMPARE(storedTexts(), QStringList{u"One."_s});
        model().updateSourceText(u"One. Two."_s);
        QCOMPARE(storedTexts(), QStringList{u"One. Two."_s});

        model().updateSourceText(QString());
        model().endTranscript();
        model().updateSourceText(QString());
        QCOMPARE(storedTexts(), QStringList{u"One. Two."_s});
        QCOMPARE(log.breadcrumbs(),
                 (QStringList{u"Updating source text: One."_s, u"Updating source text: One. Two."_s,
                              u"Ending transcript"_s}));
        QVERIFY(!model().errorMessage());
    }

    void withoutBothLanguagesNothingOpens()
    {
        model().setTargetLanguage(std::nullopt);
        const LogCapture log;
        model().startNewTranscript();
        QVERIFY(!model().currentTranscript());
        QVERIFY(log.breadcrumbs().isEmpty());

        model().updateSourceText(u"Lost words."_s);
        QCOMPARE(model().errorMessage(), u"No current transcript to update"_s);
        QVERIFY(!model().shouldShowError());
        QVERIFY(reported(log, u"No current transcript to update"_s));
        QVERIFY(storedTexts().isEmpty());
    }

    void failedSavesAreReportedAndKeptForTheNextSave()
    {
        const LogCapture log;
        {
            const FileGrowthLimit limit = fullDisk();
            model().startNewTranscript();
        }
        QCOMPARE(model().errorMessage(), u"Failed to save new transcript: "_s + sqliteWriteError);
        QVERIFY(model().currentTranscript());
        QVERIFY(!model().shouldShowError());
        QVERIFY(reported(log, *model().errorMessage()));
        QVERIFY(storedTexts().isEmpty());

        // The unsaved record goes into the store with the next save that succeeds.
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
    }

    void aFailedEndStillClosesTheTranscript()
    {
        model().startNewTranscript();
        {
            const FileGrowthLimit limit = fullDisk();
            model().endTranscript();
        }
        QCOMPARE(model().errorMessage(), u"Failed to save transcript: "_s + sqliteWriteError);
        QVERIFY(!model().currentTranscript());
        model().updateSourceText(u"Too late."_s);
        QCOMPARE(model().errorMessage(), u"No current transcript to update"_s);
        QCOMPARE(storedTexts(), QStringList{QString()});

        // The removal that failed is written with the next save.
        model().startNewTranscript();
        model().updateSourceText(u"Again."_s);
        QCOMPARE(storedTexts(), QStringList{u"Again."_s});
    }
};

VOXLUME_TEST_MAIN(TestTranscriptionModel)
#include "tst_TranscriptionModel.moc"
