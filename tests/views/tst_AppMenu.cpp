// SPDX-License-Identifier: GPL-3.0-or-later
#include "OverlayFixture.h"
#include "StoredTranscripts.h"
#include "TestMain.h"
#include "Views/AppMenu.h"
#include "Views/SubtitleWindow.h"

#include <QMenu>
#include <QSignalSpy>

using namespace Qt::Literals::StringLiterals;

namespace {

const Language english(u"en"_s, {}, u"US"_s);
const Language japanese(u"ja"_s, {}, u"JP"_s);
const Language brazilian(u"pt"_s, {}, u"BR"_s);
const Language portuguese(u"pt"_s, {}, u"PT"_s);

/// What the menu shows: its visible entries, "-" for a divider.
QStringList texts(const QMenu *menu)
{
    QStringList texts;
    for (const QAction *action : menu->actions()) {
        if (action->isVisible())
            texts.append(action->isSeparator() ? u"-"_s : action->text());
    }
    return texts;
}

QString checkedText(const QMenu *menu)
{
    for (const QAction *action : menu->actions()) {
        if (action->isChecked())
            return action->text();
    }
    return {};
}

} // namespace

class TestAppMenu : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<OverlayFixture> m_fixture;
    std::unique_ptr<AppMenu> m_menu;

    void makeMenu(QList<QAction *> additionalContent = {})
    {
        m_fixture->translation->languages = {portuguese, japanese, english, brazilian};
        m_menu = std::make_unique<AppMenu>(m_fixture->services(), std::move(additionalContent));
        QSignalSpy loaded(m_menu.get(), &AppMenu::supportedLanguagesLoaded);
        QVERIFY(loaded.wait());
    }

    QMenu *picker(int index) { return m_menu->menu()->actions().at(index)->menu(); }
    QMenu *spoken() { return picker(4); }
    QMenu *translated() { return picker(5); }
    QAction *startStop() { return m_menu->menu()->actions().constFirst(); }

private Q_SLOTS:
    void init()
    {
        m_fixture = std::make_unique<OverlayFixture>();
        OverlayFixture::set("selectedFromLanguage", u"en-US"_s);
        OverlayFixture::set("selectedToLanguage", u"en-US"_s);
    }

    void cleanup()
    {
        if (SubtitleWindow *window = m_menu ? m_menu->model().subtitleWindow() : nullptr)
            delete window;
        // Closed windows go on a later turn; their runs must end before the store they write to.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_menu.reset();
        m_fixture.reset();
    }

    // Languages that share a name are told apart by region, in the labels and in the order; the
    // spoken language reads as no translation among the translation languages.
    void pickersLabelAndMarkTheLanguages()
    {
        m_fixture->translation->setStatus(english, japanese, TranslationService::Status::Installed);
        m_fixture->translation->setStatus(japanese, english, TranslationService::Status::Installed);
        makeMenu();
        QCOMPARE(texts(spoken()),
                 (QStringList{u"English"_s, u"Japanese"_s, u"Portuguese (Brazil)"_s,
                              u"Portuguese (Portugal)"_s}));
        QCOMPARE(checkedText(spoken()), u"English"_s);
        QCOMPARE(checkedText(translated()), u"English (No Translation)"_s);

        // Without a speech model a language stays listed, but cannot be chosen to speak.
        QAction *japaneseEntry = spoken()->actions().at(1);
        QVERIFY(!japaneseEntry->isEnabled());
        QVERIFY(!japaneseEntry->toolTip().isEmpty());

        translated()->actions().at(1)->trigger();
        QCOMPARE(SettingsStore::shared().string(u"selectedToLanguage"_s), u"ja-JP"_s);
        QCOMPARE(checkedText(translated()), u"Japanese"_s);
        // A swap elsewhere (the subtitle window's control) shows in both pickers at once.
        OverlayFixture::set("selectedFromLanguage", u"ja-JP"_s);
        OverlayFixture::set("selectedToLanguage", u"en-US"_s);
        QCOMPARE(checkedText(spoken()), u"Japanese"_s);
        QCOMPARE(checkedText(translated()), u"English"_s);
    }

    // Each translation language says what choosing it gives from the spoken language, and follows
    // a change of that language and a pair installed meanwhile.
    void translationEntriesOfferOnlyWhatWorks()
    {
        using Status = TranslationService::Status;
        FakeTranslationService &service = *m_fixture->translation;
        service.setStatus(english, japanese, Status::Installed);
        service.setStatus(english, brazilian, Status::Supported);
        service.setStatus(english, portuguese, Status::Unsupported);
        service.setStatus(japanese, english, Status::Unsupported);
        makeMenu();
        QCOMPARE(texts(translated()), (QStringList{u"English (No Translation)"_s, u"Japanese"_s,
                                                   u"Portuguese (Brazil) — will be installed"_s,
                                                   u"Portuguese (Portugal)"_s}));
        const QList<QAction *> entries = translated()->actions();
        QVERIFY(entries[1]->isEnabled() && entries[2]->isEnabled());
        QVERIFY(!entries[3]->isEnabled());
        QCOMPARE(entries[3]->toolTip(), u"Not available from English on this computer."_s);

        OverlayFixture::set("selectedFromLanguage", u"ja-JP"_s);
        QVERIFY(!entries[0]->isEnabled());
        QCOMPARE(entries[1]->text(), u"Japanese (No Translation)"_s);
        QVERIFY(entries[1]->isEnabled());

        OverlayFixture::set("selectedFromLanguage", u"en-US"_s);
        service.setStatus(english, brazilian, Status::Installed);
        Q_EMIT translated()->aboutToShow();
        QCOMPARE(entries[2]->text(), u"Portuguese (Brazil)"_s);
        QVERIFY(!entries[2]->toolTip().contains(u"installed"_s));
    }

    void startAndStopFollowTheWindow()
    {
        makeMenu();
        startStop()->trigger();
        QCOMPARE(startStop()->text(), u"Stop Live Subtitles"_s);
        QVERIFY(SettingsStore::shared().boolValue(u"isOnboardingComplete"_s));
        const QPointer<SubtitleWindow> window = m_menu->model().subtitleWindow();
        QVERIFY(window && window->isVisible());

        // A minimised window is offered back, and comes back itself, not as a second one.
        QAction *show = m_menu->menu()->actions().at(1);
        Q_EMIT m_menu->menu()->aboutToShow();
        QVERIFY(!show->isVisible());
        window->showMinimized();
        Q_EMIT m_menu->menu()->aboutToShow();
        QVERIFY(show->isVisible());
        show->trigger();
        QCOMPARE(m_menu->model().subtitleWindow(), window.data());
        QVERIFY(!window->isMinimized());

        startStop()->trigger();
        QCOMPARE(startStop()->text(), u"Start Live Subtitles"_s);
        QVERIFY(!window->isVisible());
        QTRY_VERIFY(!window);
    }

    // Quitting while the subtitles wait for a language pair leaves no empty transcript behind.
    void quitEndsTheRunFirst()
    {
        OverlayFixture::set("selectedToLanguage", u"es-ES"_s);
        makeMenu();
        startStop()->trigger();
        const QPointer<SubtitleWindow> window = m_menu->model().subtitleWindow();
        QTRY_VERIFY(m_fixture->translation->preparations == 1);
        m_menu->quit();
        QVERIFY(!window);
        QVERIFY(!m_menu->model().isListening());
        QCOMPARE(storedTranscripts(m_fixture->store()).size(), 0);
    }
};

VOXLUME_TEST_MAIN(TestAppMenu)
#include "tst_AppMenu.moc"
