// SPDX-License-Identifier: GPL-3.0-or-later
#include "OverlayFixture.h"
#include "StoredTranscripts.h"
#include "TestMain.h"
#include "TimedWords.h"
#include "Views/BusyIndicator.h"
#include "Views/SubtitleLabel.h"
#include "Views/SubtitleLinesView.h"
#include "Views/SubtitleOverlayWindow.h"
#include "Views/SubtitleWindow.h"
#include "Views/WaitingPanel.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>
#include <QSignalSpy>

using namespace Qt::Literals::StringLiterals;

using Layout = SubtitleOverlayWindow::Layout;

class TestSubtitleOverlayWindow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<OverlayFixture> m_fixture;
    std::unique_ptr<SubtitleOverlayWindow> m_view;
    // The view heard, alone or in a window.
    SubtitleOverlayWindow *m_heard = nullptr;
    QTemporaryDir m_folder;

    ListeningModel &listening() { return *m_heard->model().listeningModel(); }

    static QByteArray read(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }

    static QVariantList shown(const QString &text, const QString &translation)
    {
        return {text, translation};
    }

    void show(const QString &from, const QString &to)
    {
        OverlayFixture::set("selectedFromLanguage", from);
        OverlayFixture::set("selectedToLanguage", to);
        m_view = std::make_unique<SubtitleOverlayWindow>(m_fixture->makeOverlayModel());
        m_heard = m_view.get();
        m_view->resize(1000, 200);
        m_view->show();
    }

    void hear(const QString &text)
    {
        QTRY_VERIFY(listening().isListening());
        m_fixture->speech->tasks().last()->hypothesize(timedWords(text, 0.5));
    }

    // The run hears \a text as one task, its words a second apart, with the audio processed well
    // past the last one, so that its finished sentences become cues.
    void hearProcessed(const QString &text)
    {
        QTRY_VERIFY(listening().isListening());
        ScriptedRecognitionTask *task = m_fixture->speech->tasks().last();
        task->processAudio(double(text.count(u' ')) + 1.5);
        task->hypothesize(timedWords(text, 0.5));
    }

private Q_SLOTS:
    void init() { m_fixture = std::make_unique<OverlayFixture>(); }

    void cleanup()
    {
        m_view.reset();
        m_fixture.reset();
    }

    void placeholderNamesTheSpokenLanguage()
    {
        show(u"en-US"_s, u"en-US"_s);
        QCOMPARE(m_view->spokenLine().text(), u"Start speaking English..."_s);
        // A language without a code has no name to give.
        OverlayFixture::set("selectedFromLanguage", u"-"_s);
        QCOMPARE(m_view->spokenLine().text(), u"Start speaking Unknown..."_s);
    }

    void sameLanguagesShowTheSpokenTextAloneAtTheBottom()
    {
        show(u"en-US"_s, u"en-US"_s);
        QCOMPARE(m_view->currentLayout(), Layout::SingleLanguage);
        hear(u"Hello there."_s);
        QCOMPARE(m_view->spokenLine().text(), u"Hello there."_s);
        QVERIFY(!m_view->translatedLine().isVisible());
        QCOMPARE(m_view->spokenLine().geometry().bottom(), m_view->height() - 1 - 16);
    }

    // The waiting panel stands in for both lines from the moment the user was asked to install
    // the pair until it is ready; then the translation shows above the spoken text.
    void layoutFollowsThePairBeingInstalled()
    {
        const Language english(u"en"_s, {}, u"US"_s);
        const Language spanish(u"es"_s, {}, u"ES"_s);
        show(u"en-US"_s, u"es-ES"_s);
        QCOMPARE(m_view->currentLayout(), Layout::Translation);
        QTRY_COMPARE(m_view->currentLayout(), Layout::Waiting);
        QVERIFY(!m_view->spokenLine().isVisible());

        m_fixture->translation->setStatus(english, spanish, TranslationService::Status::Installed);
        QTRY_COMPARE_WITH_TIMEOUT(m_view->currentLayout(), Layout::Translation, 5000);
        hear(u"Good morning"_s);
        QTRY_COMPARE(m_view->targetText(), std::optional(u"[Good morning]"_s));
        QVERIFY(m_view->translatedLine().isVisible());
        QCOMPARE(m_view->translatedLine().text(), u"[Good morning]"_s);
        QCOMPARE(m_view->spokenLine().text(), u"Good morning"_s);
        QVERIFY(m_view->translatedLine().geometry().bottom() <
                m_view->spokenLine().geometry().top());
        QCOMPARE(m_view->spokenLine().font().pointSizeF(),
                 m_view->translatedLine().font().pointSizeF() * 0.7);

        // Without the spoken text only the translation shows.
        OverlayFixture::set("showSpokenLanguage", u"false"_s);
        QVERIFY(!m_view->spokenLine().isVisible());
        // A language set back to the spoken one drops the translation from view, even though the
        // last one is still held.
        OverlayFixture::set("selectedToLanguage", u"en-US"_s);
        QCOMPARE(m_view->currentLayout(), Layout::SingleLanguage);
        QVERIFY(!m_view->translatedLine().isVisible());
    }

    // The translation model keeps a failed preparation to itself; the panel must not go on
    // waiting for a pair that will not come, and says what to do.
    void aPairThatCannotBeInstalledSaysWhy()
    {
        m_fixture->translation->preparationError = Error::fromMessage(
            u"Install the package apertium-eng-spa to translate from English to Spanish."_s,
            u"Test"_s, 1);
        show(u"en-US"_s, u"es-ES"_s);
        QTRY_COMPARE(m_view->currentLayout(), Layout::Waiting);
        const auto *panel = m_view->findChild<WaitingPanel *>();
        const auto saysWhy = [panel] {
            const QList<QLabel *> labels = panel->findChildren<QLabel *>();
            return std::any_of(labels.cbegin(), labels.cend(), [](const QLabel *label) {
                return label->text().startsWith(u"Install the package"_s);
            });
        };
        QTRY_VERIFY(saysWhy());
        QVERIFY(!panel->findChild<BusyIndicator *>()->isVisibleTo(panel));
    }

    void spokenTextKeepsItsPlaceUntilTheFirstTranslation()
    {
        const Language english(u"en"_s, {}, u"US"_s);
        const Language spanish(u"es"_s, {}, u"ES"_s);
        m_fixture->translation->setStatus(english, spanish, TranslationService::Status::Installed);
        OverlayFixture::set("showSpokenLanguage", u"false"_s);
        show(u"en-US"_s, u"es-ES"_s);
        hear(u"Good"_s);
        QCOMPARE(m_view->spokenLine().text(), u" "_s);
        QVERIFY(m_view->spokenLine().isVisible());
    }

    // A style chosen while subtitles run shows at once, on both lines; the translation has a
    // colour of its own.
    void styleChangesShowAtOnce()
    {
        const Language english(u"en"_s, {}, u"US"_s);
        const Language spanish(u"es"_s, {}, u"ES"_s);
        m_fixture->translation->setStatus(english, spanish, TranslationService::Status::Installed);
        show(u"en-US"_s, u"es-ES"_s);
        hear(u"Good morning."_s);
        QTRY_VERIFY(m_view->translatedLine().isVisible());
        OverlayFixture::set("textOutline", u"thick"_s);
        Setting(SettingsKeys::translationColor).setValue(QColor(Qt::yellow));
        for (const SubtitleLabel *line : {&m_view->translatedLine(), &m_view->spokenLine()})
            QCOMPARE(line->outline(), SubtitleLabel::Outline::Thick);
        QCOMPARE(m_view->translatedLine().textColor(), QColor(Qt::yellow));
        QCOMPARE(m_view->spokenLine().textColor().rgb(), QColor(Qt::white).rgb());
    }

    // The alert must not stop the subtitles behind it, and its one button lowers the flag.
    void errorsShowInAlertsThatDoNotBlock()
    {
        OverlayFixture::set("showErrors", u"true"_s);
        show(u"en-US"_s, u"en-US"_s);
        ListeningModel &model = listening();
        model.setErrorMessage(u"The microphone stopped working."_s);
        auto *alert = m_view->findChild<QMessageBox *>(u"Listening Error"_s);
        QVERIFY(alert && alert->isVisible());
        QCOMPARE(alert->text(), u"The microphone stopped working."_s);
        QVERIFY(!alert->isModal());
        QCOMPARE(alert->buttons().size(), 1);
        alert->buttons().constFirst()->click();
        QVERIFY(!model.shouldShowError());
        QVERIFY(!alert->isVisible());
    }

    // Errors are not shown here: the placeholder would otherwise ask for speech for ever.
    void subtitlesThatCannotStartSayWhyInTheListeningAlert()
    {
        m_fixture->speech->setSupportedLanguageCodes({u"en"_s});
        show(u"xx-YY"_s, u"xx-YY"_s);
        QMessageBox *alert = nullptr;
        QTRY_VERIFY((alert = m_view->findChild<QMessageBox *>(u"Listening Error"_s)));
        QTRY_VERIFY(alert->isVisible());
        QCOMPARE(alert->text(), u"Speech recognition is not supported for xx_YY."_s);
    }

    // Readers of the display (the bus, the live caption file) hear of each change once: restyling
    // the same text is none, and the end of the run empties the display. The file follows its
    // setting during the run.
    void eachChangeOfTheDisplayIsToldOnceAndKeptInTheFile()
    {
        const QString path = m_folder.filePath(u"live.txt"_s);
        OverlayFixture::set("liveCaptionFile", path);
        show(u"en-US"_s, u"en-US"_s);
        QSignalSpy changes(m_view.get(), &SubtitleOverlayWindow::displayChanged);
        hear(u"Hello there."_s);
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes.takeFirst(), shown(u"Hello there."_s, QString()));
        QCOMPARE(m_view->displayedText(), u"Hello there."_s);
        OverlayFixture::set("translationFontSize", u"50"_s);
        OverlayFixture::set("showSpokenLanguage", u"false"_s);
        QCOMPARE(changes.size(), 0);
        QVERIFY(!QFile::exists(path));

        OverlayFixture::set("writeLiveCaptionFile", u"true"_s);
        QTRY_COMPARE(read(path), QByteArray("Hello there."));
        hear(u"Hello there. How are you"_s);
        QTRY_COMPARE(read(path), QByteArray("Hello there. How are you"));
        QCOMPARE(changes.size(), 1);

        m_view->disappear();
        QCOMPARE(changes.size(), 2);
        QCOMPARE(changes.last(), shown(QString(), QString()));
        QTRY_COMPARE(read(path), QByteArray());
    }

    // Masked where it is shown, the window and what it tells others, from the moment it is asked;
    // the stored transcript keeps every word.
    void profanityIsMaskedOnScreenButKeptInTheTranscript()
    {
        show(u"en-US"_s, u"en-US"_s);
        QSignalSpy changes(m_view.get(), &SubtitleOverlayWindow::displayChanged);
        hear(u"Well shit."_s);
        QCOMPARE(m_view->spokenLine().text(), u"Well shit."_s);
        OverlayFixture::set("maskProfanity", u"true"_s);
        QCOMPARE(m_view->spokenLine().text(), u"Well s***."_s);
        QCOMPARE(changes.last(), shown(u"Well s***."_s, QString()));
        QSignalSpy cues(m_view.get(), &SubtitleOverlayWindow::cueFinished);
        listening().stopListening();
        QCOMPARE(cues.size(), 1);
        QCOMPARE(cues.first().first().value<CaptionCue>().text, u"Well s***."_s);
        QCOMPARE(storedTranscripts(m_fixture->store()).value(0).sourceText, u"Well shit."_s);
    }

    // A translation is shown, and so told and written, once it comes; until then the spoken text
    // goes alone.
    void theTranslationFollowsTheSpokenTextIntoTheFile()
    {
        const QString path = m_folder.filePath(u"translated.txt"_s);
        OverlayFixture::set("writeLiveCaptionFile", u"true"_s);
        OverlayFixture::set("liveCaptionFile", path);
        m_fixture->translation->setStatus(Language(u"en"_s, {}, u"US"_s),
                                          Language(u"es"_s, {}, u"ES"_s),
                                          TranslationService::Status::Installed);
        show(u"en-US"_s, u"es-ES"_s);
        QSignalSpy changes(m_view.get(), &SubtitleOverlayWindow::displayChanged);
        hear(u"Good morning"_s);
        QTRY_COMPARE(changes.size(), 2);
        QCOMPARE(changes.at(0), shown(u"Good morning"_s, QString()));
        QCOMPARE(changes.at(1), shown(u"Good morning"_s, u"[Good morning]"_s));
        QTRY_COMPARE(read(path), QByteArray("Good morning\n[Good morning]"));
    }

    // The run goes on without its file. The notice over the subtitles comes once, not again at
    // each subtitle that fails to be written after the user dismissed it, and goes by itself once
    // the file can be written again.
    void aLiveFileThatCannotBeWrittenIsOneNoticeUntilItCanBe()
    {
        const QString folder = m_folder.filePath(u"missing"_s);
        const QString path = folder + u"/live.txt"_s;
        OverlayFixture::set("writeLiveCaptionFile", u"true"_s);
        OverlayFixture::set("liveCaptionFile", path);
        OverlayFixture::set("selectedFromLanguage", u"en-US"_s);
        OverlayFixture::set("selectedToLanguage", u"en-US"_s);
        m_heard = new SubtitleOverlayWindow(m_fixture->makeOverlayModel());
        const auto window = std::make_unique<SubtitleWindow>(m_heard);
        window->show();

        hear(u"One"_s);
        QTRY_VERIFY(window->notice());
        QVERIFY2(window->notice()->text().contains(path), qPrintable(window->notice()->text()));
        window->notice()->findChild<QAbstractButton *>()->click();
        QTRY_VERIFY(!window->notice());
        hear(u"One two"_s);
        hear(u"One two three"_s);
        QTest::qWait(300);
        QVERIFY(!window->notice());
        QVERIFY(listening().isListening());

        QVERIFY(QDir().mkpath(folder));
        hear(u"One two three four"_s);
        QTRY_COMPARE(read(path), QByteArray("One two three four"));
        QVERIFY(QDir(folder).removeRecursively());
        hear(u"One two three four five"_s);
        QTRY_VERIFY(window->notice());
        QVERIFY(QDir().mkpath(folder));
        hear(u"One two three four five six"_s);
        QTRY_VERIFY(!window->notice());
        QCOMPARE(read(path), QByteArray("One two three four five six"));
    }

    // Finished sentences stay above the one being spoken, each line as it was first laid out, and
    // only the newest lines show; the window asks for the height of its lines.
    void severalLinesKeepFinishedSentencesAboveTheLiveOne()
    {
        OverlayFixture::set("subtitleLines", u"3"_s);
        show(u"en-US"_s, u"en-US"_s);
        const SubtitleLinesView &lines = m_view->lines();
        QVERIFY(lines.isVisible() && !m_view->spokenLine().isVisible());
        QCOMPARE(lines.shownLines(), QStringList{u"Start speaking English..."_s});
        QVERIFY(m_view->preferredHeight() > 3 * QFontMetrics(lines.font()).height());
        m_view->resize(2000, m_view->preferredHeight());

        QString heard = u"The first sentence ends here."_s;
        hearProcessed(heard + u" And"_s);
        QCOMPARE(lines.shownLines(), (QStringList{u"The first sentence ends here."_s, u"And"_s}));
        QCOMPARE(m_view->displayedText(), u"And"_s);
        const QStringList sentences{u"And a second one follows it."_s, u"A third comes."_s,
                                    u"The fourth is here."_s};
        QStringList finished{u"The first sentence ends here."_s};
        for (const QString &sentence : sentences) {
            // Word by word: every finished line stays as it was while the live one grows.
            QString live;
            for (const QString &word : sentence.split(u' ')) {
                live += (live.isEmpty() ? u""_s : u" "_s) + word;
                hearProcessed(heard + u' ' + live);
                const QStringList shown = lines.shownLines();
                QCOMPARE(shown.size(), std::min<qsizetype>(3, finished.size() + 1));
                QCOMPARE(shown.last(), live);
                QCOMPARE(shown.first(shown.size() - 1), finished.last(shown.size() - 1));
            }
            heard += u' ' + sentence;
            finished << sentence;
        }
        QCOMPARE(lines.shownLines(), sentences);
        hearProcessed(heard + u" Oh shit"_s);
        OverlayFixture::set("maskProfanity", u"true"_s);
        QCOMPARE(lines.shownLines().last(), u"Oh s***"_s);
        // One line again is the text that shrinks to fit.
        OverlayFixture::set("subtitleLines", u"abc"_s);
        QVERIFY(!lines.isVisible() && m_view->spokenLine().isVisible());
        QCOMPARE(m_view->preferredHeight(), 0);
        QCOMPARE(SettingsStore::shared().string(u"subtitleLines"_s), u"abc"_s);
    }

    // The wheel scrolls back through the run and the view holds still there, whatever comes,
    // until the pointer leaves the window, or a while passes without scrolling.
    void scrollingBackHoldsStillAndReturnsToLive()
    {
        OverlayFixture::set("subtitleLines", u"2"_s);
        show(u"en-US"_s, u"en-US"_s);
        m_view->resize(2000, m_view->preferredHeight());
        QString heard;
        for (int i = 1; i <= 6; ++i) {
            heard += u"Sentence number "_s + QString::number(i) + u". "_s;
            hearProcessed(heard + u"Now"_s);
        }
        SubtitleLinesView &lines = m_view->lines();
        const QStringList live{u"Sentence number 6."_s, u"Now"_s};
        QCOMPARE(lines.shownLines(), live);

        QWheelEvent back(QPointF(10, 10), m_view->mapToGlobal(QPointF(10, 10)), {}, {0, 3 * 120},
                         Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&lines, &back);
        QVERIFY(!lines.isLive());
        QCOMPARE(lines.shownLines(),
                 (QStringList{u"Sentence number 3."_s, u"Sentence number 4."_s}));
        auto *button = lines.findChild<QAbstractButton *>();
        QVERIFY(button && button->isVisible() && !button->accessibleName().isEmpty());
        // Far back, the first line is the top one.
        lines.scrollBack(100);
        QCOMPARE(lines.shownLines().first(), u"Sentence number 1."_s);
        hearProcessed(heard + u"Now more"_s);
        QCOMPARE(lines.shownLines().first(), u"Sentence number 1."_s);

        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(m_view->window(), &leave);
        QVERIFY(lines.isLive());
        QVERIFY(!button->isVisible());
        QCOMPARE(lines.shownLines(), (QStringList{u"Sentence number 6."_s, u"Now more"_s}));

        lines.scrollBack(1);
        QVERIFY(!lines.isLive());
        QTRY_VERIFY_WITH_TIMEOUT(lines.isLive(), 7000);
    }

    // No error, so shown whether errors are or not: the user must know what is listened to.
    void aChangeOfInputShowsInAnAlertThatDoesNotBlock()
    {
        show(u"en-US"_s, u"en-US"_s);
        QTRY_VERIFY(listening().isListening());
        const QString message =
            u"“USB Headset” is not connected. Listening to the default microphone instead."_s;
        m_fixture->audio->notify(message);
        auto *alert = m_view->findChild<QMessageBox *>(u"Input Changed"_s);
        QVERIFY(alert && alert->isVisible() && !alert->isModal());
        QCOMPARE(alert->text(), message);
        QVERIFY(listening().isListening());
    }
};

VOXLUME_TEST_MAIN(TestSubtitleOverlayWindow)
#include "tst_SubtitleOverlayWindow.moc"
