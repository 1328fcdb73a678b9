// SPDX-License-Identifier: GPL-3.0-or-later
#include "AccessibleNames.h"
#include "Models/AppState.h"
#include "Models/TranscriptHistoryModel.h"
#include "Models/TranscriptListModel.h"
#include "OverlayFixture.h"
#include "Platform/Store/ModelContext.h"
#include "Platform/Store/TranscriptQuery.h"
#include "StoredTranscripts.h"
#include "TestMain.h"
#include "Views/TranscriptDetailView.h"
#include "Views/TranscriptExportDialog.h"
#include "Views/TranscriptHistoryView.h"

#include <QClipboard>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimeZone>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

namespace {

const Language english(u"en"_s, {}, u"US"_s);
const Language spanish(u"es"_s, {}, u"ES"_s);

QDateTime at(int minute)
{
    return QDateTime(QDate(2024, 5, 1), QTime(9, minute), QTimeZone::utc());
}

// Stores a run of \a minute with \a text, through a context of its own as a run's would be.
QUuid keep(ModelContainer &store, int minute, const QString &text,
           const std::optional<QString> &translation = std::nullopt,
           const QString &sourceLanguage = english.rawValue(), const QList<CaptionCue> &cues = {})
{
    ModelContext context(store);
    auto *record = new Transcript(english, spanish, text, translation, at(minute));
    record->setSourceLanguageString(sourceLanguage);
    record->setCues(cues);
    context.insert(record);
    const QUuid id = record->id();
    if (const std::optional<Error> error = context.save())
        qFatal("%s", qPrintable(error->description()));
    return id;
}

} // namespace

class TestTranscriptHistoryView : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<OverlayFixture> m_fixture;
    std::unique_ptr<TranscriptHistoryView> m_view;

    ModelContainer &store() { return m_fixture->store(); }
    TranscriptHistoryModel &model() { return m_view->model(); }

    void open()
    {
        m_view = std::make_unique<TranscriptHistoryView>(
            std::make_unique<TranscriptHistoryModel>(store(), m_fixture->translation));
        m_view->resize(600, 200);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowActive(m_view.get()));
    }

    QList<QUuid> listed() const
    {
        QList<QUuid> ids;
        const QAbstractItemModel *rows = m_view->list()->model();
        for (int row = 0; row < rows->rowCount(); ++row)
            ids << rows->index(row, 0).data(TranscriptListModel::IdRole).toUuid();
        return ids;
    }

    QList<QUuid> stored() const
    {
        QList<QUuid> ids;
        for (const StoredTranscript &transcript : storedTranscripts(m_fixture->store()))
            ids << transcript.id;
        return ids;
    }

    std::optional<QString> storedTranslation(const QUuid &id) const
    {
        for (const StoredTranscript &transcript : storedTranscripts(m_fixture->store())) {
            if (transcript.id == id)
                return transcript.targetText;
        }
        return std::nullopt;
    }

    QString spokenPane() const { return m_view->detail()->spokenText()->toPlainText(); }
    QString translatedPane() const { return m_view->detail()->translatedText()->toPlainText(); }
    bool showsPlaceholder() const
    {
        return m_view->detail()->currentWidget() == m_view->detail()->placeholder();
    }

    // Answers the open confirmation with the button that reads \a answer.
    void answer(const QString &answer)
    {
        QMessageBox *box = m_view->findChild<QMessageBox *>();
        QVERIFY(box && box->isVisible());
        QCOMPARE(box->text(), u"Are you sure you want to delete this transcript?"_s);
        for (QAbstractButton *button : box->buttons()) {
            if (button->text().remove(u'&') == answer)
                return button->click();
        }
        QFAIL("no such button");
    }

    void pressDeleteInList()
    {
        // The offscreen platform gives no window the focus back when a dialog closes.
        m_view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_view.get()));
        m_view->list()->setFocus();
        QTest::keyClick(m_view->list(), Qt::Key_Delete);
    }

    void hover(int row)
    {
        QWidget *viewport = m_view->list()->viewport();
        const QPoint point =
            m_view->list()->visualRect(m_view->list()->model()->index(row, 0)).center();
        QMouseEvent move(QEvent::MouseMove, point, viewport->mapToGlobal(point), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
    }

private Q_SLOTS:
    void init() { m_fixture = std::make_unique<OverlayFixture>(); }

    void cleanup()
    {
        m_view.reset();
        m_fixture.reset();
        AppState::shared().setOverlayWindowDisplayed(false);
    }

    void opensOnTheNewestAndListsNewestFirst()
    {
        open();
        QVERIFY(listed().isEmpty());
        QVERIFY(showsPlaceholder());
        m_view.reset();

        const QUuid older = keep(store(), 1, u"Older words."_s);
        const QUuid odd = keep(store(), 3, u"Odd language."_s, std::nullopt, u"english"_s);
        const QUuid newest = keep(store(), 5, u"First sentence. Second sentence."_s);
        open();
        QCOMPARE(listed(), (QList<QUuid>{newest, odd, older}));
        QCOMPARE(model().selectedTranscriptID(), newest);
        QCOMPARE(m_view->list()->currentIndex().row(), 0);
        QCOMPARE(spokenPane(), u"First sentence.\n\nSecond sentence."_s);
        QCOMPARE(m_view->detail()->spokenLanguage()->text(), u"English"_s);
        QCOMPARE(m_view->detail()->translatedLanguage()->text(), u"Spanish"_s);

        const QAbstractItemModel *rows = m_view->list()->model();
        QCOMPARE(rows->index(0, 0).data(TranscriptListModel::LanguagesRole).toString(),
                 u"English → Spanish"_s);
        // A language that does not decode: no line in the row, the generic label in the header.
        QVERIFY(rows->index(1, 0).data(TranscriptListModel::LanguagesRole).isNull());
        QTest::keyClick(m_view->list(), Qt::Key_Down);
        QCOMPARE(model().selectedTranscriptID(), odd);
        QCOMPARE(m_view->detail()->spokenLanguage()->text(), u"Spoken Language"_s);
        QCOMPARE(spokenPane(), u"Odd language."_s);
    }

    void translationPaneShowsTheFirstCaseThatApplies()
    {
        const QUuid empty = keep(store(), 1, QString());
        const QUuid translated = keep(store(), 2, u"Hello."_s, u"Hola."_s);
        const QUuid untranslated = keep(store(), 3, u"Good morning."_s);
        AppState::shared().setOverlayWindowDisplayed(true);
        open();
        const auto paneOf = [this](const QUuid &id) {
            model().setSelectedTranscriptID(id);
            return translatedPane();
        };
        const QString waiting = u"Waiting for subtitles to be dismissed..."_s;
        QCOMPARE(paneOf(untranslated), waiting);
        QCOMPARE(paneOf(empty), waiting);
        QCOMPARE(paneOf(translated), u"Hola."_s);

        // The pair is never found installed here, so the translation stays under way.
        AppState::shared().setOverlayWindowDisplayed(false);
        QCOMPARE(translatedPane(), u"Hola."_s);
        QCOMPARE(paneOf(empty), QString());
        QCOMPARE(paneOf(untranslated), u"Translating..."_s);
    }

    void translationWaitsForSubtitlesAndIsStoredOnce()
    {
        m_fixture->translation->setStatus(english, spanish, TranslationService::Status::Installed);
        const QUuid translated = keep(store(), 1, u"Hello."_s, u"Hola."_s);
        const QUuid waiting = keep(store(), 2, u"Good morning."_s);
        AppState::shared().setOverlayWindowDisplayed(true);
        open();
        QTest::qWait(100);
        QCOMPARE(storedTranslation(waiting), std::nullopt);

        AppState::shared().setOverlayWindowDisplayed(false);
        QTRY_COMPARE(translatedPane(), u"[Good morning.]"_s);
        QCOMPARE(storedTranslation(waiting), u"[Good morning.]"_s);

        model().setSelectedTranscriptID(translated);
        QTest::qWait(100);
        QCOMPARE(translatedPane(), u"Hola."_s);
        QCOMPARE(storedTranslation(translated), u"Hola."_s);
    }

    // The selection never stays on a deleted record: it goes to the next older one, else to the
    // next newer one, else to none.
    void deletingMovesTheSelectionToANeighbour()
    {
        const QUuid oldest = keep(store(), 1, u"Oldest."_s);
        const QUuid older = keep(store(), 2, u"Older."_s);
        const QUuid newer = keep(store(), 3, u"Newer."_s);
        const QUuid newest = keep(store(), 4, u"Newest."_s);
        open();

        pressDeleteInList();
        answer(u"Cancel"_s);
        QTest::qWait(50);
        QCOMPARE(stored().size(), 4);
        QCOMPARE(model().selectedTranscriptID(), newest);

        pressDeleteInList();
        answer(u"Delete"_s);
        QCOMPARE(model().selectedTranscriptID(), newer);
        QCOMPARE(spokenPane(), u"Newer."_s);
        QTRY_COMPARE(listed(), (QList<QUuid>{newer, older, oldest}));
        QCOMPARE(stored(), (QList<QUuid>{newer, older, oldest}));

        // The row's button deletes the row under the mouse, whether it is selected or not.
        hover(2);
        m_view->rowDeleteButton()->click();
        answer(u"Delete"_s);
        QTRY_COMPARE(listed(), (QList<QUuid>{newer, older}));
        QCOMPARE(model().selectedTranscriptID(), newer);
        QTRY_VERIFY(m_view->rowDeleteButton()->isVisible());
        QCOMPARE(m_view->rowDeleteButton()->geometry().center().y(),
                 m_view->list()->visualRect(m_view->list()->currentIndex()).center().y());

        QTest::keyClick(m_view->list(), Qt::Key_Down);
        QCOMPARE(model().selectedTranscriptID(), older);
        pressDeleteInList();
        answer(u"Delete"_s);
        QCOMPARE(model().selectedTranscriptID(), newer);
        QTRY_COMPARE(listed(), QList<QUuid>{newer});
        QCOMPARE(m_view->list()->currentIndex().row(), 0);

        pressDeleteInList();
        answer(u"Delete"_s);
        QVERIFY(showsPlaceholder());
        QTRY_VERIFY(stored().isEmpty());
    }

    // Another process writes through a connection of its own, which only the store's file tells.
    void anotherProcessesRecordsComeAndGoWhileOpen()
    {
        m_fixture->translation->setStatus(english, spanish, TranslationService::Status::Installed);
        const QUuid kept = keep(store(), 1, u"Keep me."_s);
        std::unique_ptr<ModelContainer> elsewhere =
            std::get<std::unique_ptr<ModelContainer>>(ModelContainer::open(store().path()));
        AppState::shared().setOverlayWindowDisplayed(true);
        open();
        const QUuid arrived = keep(*elsewhere, 2, u"Delete me."_s);
        QTRY_COMPARE(listed(), (QList<QUuid>{arrived, kept}));
        QCOMPARE(model().selectedTranscriptID(), kept);

        // Deleted elsewhere while its translation runs: the late translation must neither bring
        // the record back nor land on the record selected next.
        model().setSelectedTranscriptID(arrived);
        AppState::shared().setOverlayWindowDisplayed(false);
        const auto &sessions = m_fixture->translation->sessions;
        const qsizetype before = sessions.size();
        const QDeadlineTimer deadline(5000);
        while (sessions.size() < before + 2 && !deadline.hasExpired())
            QCoreApplication::processEvents();
        ModelContext other(*elsewhere);
        other.remove(std::get<Transcript *>(other.fetchTranscript(arrived)));
        QVERIFY(!other.save());
        QTRY_COMPARE(model().selectedTranscriptID(), kept);
        QTRY_COMPARE(storedTranslation(kept), u"[Keep me.]"_s);
        QCOMPARE(stored(), QList<QUuid>{kept});
    }

    void searchFindsWordsOfEitherText()
    {
        const QUuid weather = keep(store(), 1, u"The weather was fine."_s, u"Hacía buen tiempo."_s);
        const QUuid garden = keep(store(), 2, u"A garden party."_s);
        const QUuid sure = keep(store(), 3, u"I am 100% sure."_s);
        open();
        // A search runs off the main thread: its result comes with a later refresh.
        const auto search = [this](const QString &text) {
            QSignalSpy refreshed(&model().query(), &TranscriptQuery::refreshed);
            m_view->searchField()->setText(text);
            refreshed.wait(5000);
            return listed();
        };
        QCOMPARE(search(u"WEATHER"_s), QList<QUuid>{weather});
        QCOMPARE(model().selectedTranscriptID(), weather);
        QCOMPARE(search(u"tiempo fine"_s), QList<QUuid>{weather});
        // Typed characters are only themselves, never patterns.
        QCOMPARE(search(u"0%"_s), QList<QUuid>{sure});
        QCOMPARE(search(u"e%t"_s), QList<QUuid>());
        QCOMPARE(search(u"garden tiempo"_s), QList<QUuid>());
        QVERIFY(showsPlaceholder());
        QCOMPARE(search(QString()), (QList<QUuid>{sure, garden, weather}));
    }

    // Exports \a format with \a content to \a path through both dialogs; what the file holds, or
    // why the export dialog does not let it go.
    QString exported(const QString &path, int format, int content)
    {
        for (QPushButton *button : m_view->findChildren<QPushButton *>()) {
            if (button->text() == u"Export…"_s)
                button->click();
        }
        auto *choice = m_view->findChild<TranscriptExportDialog *>();
        if (!choice || !choice->isVisible())
            return u"no export dialog"_s;
        if (format >= choice->formatBox()->count())
            return u"not offered: "_s + choice->reasonLabel()->text();
        choice->formatBox()->setCurrentIndex(format);
        choice->contentBox()->setCurrentIndex(content);
        if (!choice->exportButton()->isEnabled())
            return choice->reasonLabel()->text();
        choice->exportButton()->click();
        auto *dialog = m_view->findChild<QFileDialog *>();
        if (!dialog || !dialog->isVisible())
            return u"no file dialog"_s;
        dialog->selectFile(path);
        QMetaObject::invokeMethod(dialog, "accept");
        // Both close and go: the next export finds its own.
        delete dialog;
        delete choice;
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    // A run kept without times exports plain text only and says why; a timed one also exports
    // subtitles, of the spoken text, its translation or both.
    void copyAndExportGiveTheChosenTexts()
    {
        keep(store(), 1, u"First one. Second one."_s, u"Primero. Segundo."_s);
        open();
        const QString both = u"First one.\n\nSecond one.\n\nPrimero.\n\nSegundo."_s;
        m_view->list()->setFocus();
        QTest::keySequence(m_view.get(), QKeySequence::Copy);
        QCOMPARE(QApplication::clipboard()->text(), both);

        const QTemporaryDir folder;
        QCOMPARE(exported(folder.filePath(u"run.txt"_s), 0, 2), both + u'\n');
        QVERIFY(exported(QString(), 1, 0).contains(u"plain text only"_s));
        delete m_view->findChild<TranscriptExportDialog *>();

        const QUuid timed = keep(store(), 2, u"Hello there."_s, std::nullopt, english.rawValue(),
                                 {{0.5, 2.0, u"Hello there."_s, u"Hola."_s}});
        QTRY_COMPARE(listed().size(), 2);
        model().setSelectedTranscriptID(timed);
        QCOMPARE(exported(folder.filePath(u"run.srt"_s), 1, 2),
                 u"1\n00:00:00,500 --> 00:00:02,000\nHello there.\nHola.\n\n"_s);
        QCOMPARE(exported(folder.filePath(u"run.vtt"_s), 2, 1),
                 u"WEBVTT\n\n00:00:00.500 --> 00:00:02.000\nHola.\n\n"_s);
        // Without a translation as plain text, only the spoken text goes.
        QVERIFY(exported(folder.filePath(u"none.txt"_s), 0, 1).contains(u"no translation"_s));
    }

    void everyControlIsNamedAndTheSearchIsAKeyAway()
    {
        keep(store(), 1, u"Hello."_s);
        open();
        QVERIFY(m_view->rowDeleteButton()->isVisible());
        QCOMPARE(unnamedControls(*m_view), QStringList());
        m_view->list()->setFocus();
        QTest::keySequence(m_view.get(), QKeySequence::Find);
        QVERIFY(m_view->searchField()->hasFocus());
    }
};

VOXLUME_TEST_MAIN(TestTranscriptHistoryView)
#include "tst_TranscriptHistoryView.moc"
