// SPDX-License-Identifier: GPL-3.0-or-later
#include "OverlayFixture.h"
#include "TestMain.h"
#include "TimedWords.h"
#include "Views/BusyIndicator.h"
#include "Views/SubtitleLabel.h"
#include "Views/SubtitleOverlayWindow.h"
#include "Views/WaitingPanel.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>

using namespace Qt::Literals::StringLiterals;

using Layout = SubtitleOverlayWindow::Layout;

class TestSubtitleOverlayWindow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<OverlayFixture> m_fixture;
    std::unique_ptr<SubtitleOverlayWindow> m_view;

    ListeningModel &listening() { return *m_view->model().listeningModel(); }

    void show(const QString &from, const QString &to)
    {
        OverlayFixture::set("selectedFromLanguage", from);
        OverlayFixture::set("selectedToLanguage", to);
        m_view = std::make_unique<SubtitleOverlayWindow>(m_fixture->makeOverlayModel());
        m_view->resize(1000, 200);
        m_view->show();
    }

    void hear(const QString &text)
    {
        QTRY_VERIFY(listening().isListening());
        m_fixture->speech->tasks().last()->hypothesize(timedWords(text, 0.5));
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
