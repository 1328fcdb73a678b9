// SPDX-License-Identifier: GPL-3.0-or-later
#include "AccessibleNames.h"
#include "Models/AppState.h"
#include "OverlayFixture.h"
#include "TestMain.h"
#include "Views/AppMenuModel.h"
#include "Views/SubtitleOverlayWindow.h"
#include "Views/SubtitleWindow.h"
#include "Views/SwapAccessory.h"

#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QToolButton>
#include <QWindow>

using namespace Qt::Literals::StringLiterals;

class TestAppMenuModel : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<OverlayFixture> m_fixture;
    std::unique_ptr<AppMenuModel> m_controller;

    void makeController()
    {
        m_controller =
            std::make_unique<AppMenuModel>([this] { return m_fixture->makeOverlayModel(); });
    }

    SubtitleWindow *window() { return m_controller->subtitleWindow(); }

    /// The opacity of the window's background, read from what it draws, away from the text.
    int backgroundAlpha()
    {
        const QImage image = window()->grab().toImage();
        return qAlpha(image.pixel(image.width() / 2, image.height() / 4));
    }

    SwapAccessory &accessory() { return *window()->titleAccessory(); }
    QString accessoryText()
    {
        return accessory().leftLabel()->text() + u' ' + accessory().rightLabel()->text();
    }

private Q_SLOTS:
    void init()
    {
        m_fixture = std::make_unique<OverlayFixture>();
        makeController();
    }

    void cleanup()
    {
        if (window())
            delete window();
        // Closed windows go on a later turn; their runs must end before the store they write to.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_controller.reset();
        m_fixture.reset();
    }

    // A first start writes the transparency and the swap control's defaults, so the window ends
    // at alpha 0.8 with the control shown; each later change shows at once.
    void backgroundFollowsTheTransparencySetting()
    {
        m_controller->startLiveSubtitles();
        QVERIFY(m_controller->isListening());
        QCOMPARE(SettingsStore::shared().string(u"windowTransparency"_s), u"0.2"_s);
        QVERIFY(SettingsStore::shared().boolValue(u"showLanguageSwapButton"_s));
        QCOMPARE(backgroundAlpha(), 204);
        OverlayFixture::set("windowTransparency", u"0.5"_s);
        QCOMPARE(backgroundAlpha(), 128);
        OverlayFixture::set("windowTransparency", u"0"_s);
        QCOMPARE(backgroundAlpha(), 255);
        // Boxes behind the lines take the window's place, and give it back.
        OverlayFixture::set("subtitleBackground", u"lineBoxes"_s);
        QCOMPARE(backgroundAlpha(), 0);
        OverlayFixture::set("subtitleBackground", u"window"_s);
        QCOMPARE(backgroundAlpha(), 255);
    }

    // The user's transparency holds from the first moment of every later window, not only after
    // the next change of some setting.
    void laterWindowsStartAtTheStoredTransparency()
    {
        OverlayFixture::set("windowTransparency", u"0.6"_s);
        m_controller->startLiveSubtitles();
        QCOMPARE(backgroundAlpha(), 102);
    }

    void swapControlShowsTheLanguagesAndSwapsThem()
    {
        OverlayFixture::set("selectedFromLanguage", u"en-US"_s);
        OverlayFixture::set("selectedToLanguage", u"ja-JP"_s);
        m_controller->startLiveSubtitles();
        QCOMPARE(accessoryText(), u"EN JA"_s);
        const QImage rightArrow = accessory().button()->icon().pixmap(20).toImage();

        accessory().button()->click();
        QCOMPARE(SettingsStore::shared().string(u"selectedFromLanguage"_s), u"ja-JP"_s);
        QCOMPARE(SettingsStore::shared().string(u"selectedToLanguage"_s), u"en-US"_s);
        // The labels keep their places; only the arrow turns.
        QCOMPARE(accessoryText(), u"EN JA"_s);
        QVERIFY(accessory().button()->icon().pixmap(20).toImage() != rightArrow);
        QCOMPARE(unnamedControls(*m_controller->subtitleWindow()), QStringList());

        accessory().button()->click();
        QCOMPARE(SettingsStore::shared().string(u"selectedFromLanguage"_s), u"en-US"_s);
        QCOMPARE(accessory().button()->icon().pixmap(20).toImage(), rightArrow);
    }

    void swapControlFollowsItsSetting()
    {
        OverlayFixture::set("selectedFromLanguage", u"x-"_s);
        OverlayFixture::set("showLanguageSwapButton", u"false"_s);
        m_controller->startLiveSubtitles();
        QVERIFY(!accessory().isVisibleTo(window()));
        OverlayFixture::set("showLanguageSwapButton", u"true"_s);
        QVERIFY(accessory().isVisibleTo(window()));
        // One letter of code shows one letter.
        QCOMPARE(accessory().leftLabel()->text(), u"X"_s);
    }

    void closeButtonEndsTheRun()
    {
        OverlayFixture::set("selectedFromLanguage", u"en-US"_s);
        OverlayFixture::set("selectedToLanguage", u"en-US"_s);
        m_controller->startLiveSubtitles();
        auto *content = qobject_cast<SubtitleOverlayWindow *>(window()->contentView());
        ListeningModel *listening = content->model().listeningModel();
        QTRY_VERIFY(listening->isListening());
        QVERIFY(AppState::shared().isOverlayWindowDisplayed());

        QSignalSpy changes(m_controller.get(), &AppMenuModel::isListeningChanged);
        const QPointer<SubtitleWindow> closed = window();
        closed->performClose();
        QCOMPARE(changes.size(), 1);
        QVERIFY(!m_controller->isListening());
        QVERIFY(!m_controller->subtitleWindow());
        QVERIFY(!listening->isListening());
        QVERIFY(!AppState::shared().isOverlayWindowDisplayed());
        QTRY_VERIFY(!closed);
    }

    // A window must never come back where no screen shows it, as after a monitor was unplugged.
    void windowComesBackWhereItWasAndOnScreen()
    {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        m_controller->startLiveSubtitles();
        QCOMPARE(window()->geometry().center(), screen.center());
        window()->setGeometry(screen.left() + 10, screen.top() + 20, 640, 150);
        m_controller->subtitleWindow()->performClose();
        m_controller->startLiveSubtitles();
        QCOMPARE(window()->geometry(), QRect(screen.left() + 10, screen.top() + 20, 640, 150));
        delete window();

        OverlayFixture::set("overlayWindowGeometry", u"-300,40,640,150"_s);
        m_controller->startLiveSubtitles();
        QCOMPARE(window()->geometry(), QRect(screen.left(), 40, 640, 150));
        delete window();

        OverlayFixture::set("overlayWindowGeometry", u"50000,50000,640,150"_s);
        m_controller->startLiveSubtitles();
        QVERIFY(screen.contains(window()->geometry()));
    }

    void clickThroughFollowsItsSetting()
    {
        m_controller->startLiveSubtitles();
        QVERIFY(!(window()->windowHandle()->flags() & Qt::WindowTransparentForInput));
        OverlayFixture::set("overlayClickThrough", u"true"_s);
        QVERIFY(window()->windowHandle()->flags() & Qt::WindowTransparentForInput);
        QVERIFY(window()->isVisible());
        OverlayFixture::set("overlayClickThrough", u"false"_s);
        QVERIFY(!(window()->windowHandle()->flags() & Qt::WindowTransparentForInput));
    }

    void startsAtOnceWhenAskedTo()
    {
        OverlayFixture::set("startImmediately", u"true"_s);
        makeController();
        QVERIFY(m_controller->isListening());
        QVERIFY(window()->isVisible());
    }
};

VOXLUME_TEST_MAIN(TestAppMenuModel)
#include "tst_AppMenuModel.moc"
