// SPDX-License-Identifier: GPL-3.0-or-later
#include "AccessibleNames.h"
#include "Models/AppState.h"
#include "OffscreenScreens.h"
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

namespace {

// Two monitors side by side, the second wider and taller.
const QRect left(0, 0, 1280, 1024);
const QRect right(1280, 0, 1920, 1080);

} // namespace

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

    /// Starts the subtitles docked at the bottom of screen B, right of screen A, where they
    /// floated at 100,120 before.
    bool startDockedAtTheBottomOfB()
    {
        if (!OffscreenScreens::set({{u"A"_s, left}, {u"B"_s, right}}))
            return false;
        OverlayFixture::set("overlayWindowGeometry", u"100,120,640,150"_s);
        OverlayFixture::set("overlayPosition", u"bottom"_s);
        OverlayFixture::set("overlayScreen", u"B"_s);
        m_controller->startLiveSubtitles();
        return true;
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
        QVERIFY(OffscreenScreens::reset());
    }

    // A first start writes the transparency and the swap control's defaults, so the window ends
    // at alpha 0.8 with the control shown; each later change shows at once, and a later window
    // starts at the stored transparency, not only after the next change of some setting.
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

        window()->performClose();
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

    // Each change shows at once in the open window (where it goes is the subtitle window's own
    // test): docked at the bottom of the chosen screen, floating again where it was, then on the
    // other screen; closed while docked, it keeps where it floated. A change of any other setting
    // leaves it where the user put it.
    void positionAndScreenFollowTheirSettings()
    {
        QVERIFY(startDockedAtTheBottomOfB());
        QCOMPARE(window()->geometry(), QRect(1280, 1080 - 150, 1920, 150));
        OverlayFixture::set("overlayPosition", u"floating"_s);
        QCOMPARE(window()->geometry(), QRect(1380, 120, 640, 150));
        OverlayFixture::set("overlayScreen", u"A"_s);
        QCOMPARE(window()->geometry(), QRect(100, 120, 640, 150));

        window()->setGeometry(2000, 500, 640, 150);
        OverlayFixture::set("windowTransparency", u"0.5"_s);
        QCOMPARE(window()->geometry(), QRect(2000, 500, 640, 150));

        // Brought over from the other screen, it ends within this one.
        OverlayFixture::set("overlayPosition", u"bottom"_s);
        QCOMPARE(window()->geometry(), QRect(0, 1024 - 150, 1280, 150));
        window()->performClose();
        QCOMPARE(SettingsStore::shared().string(u"overlayWindowGeometry"_s), u"640,500,640,150"_s);
    }

    // The chosen screen unplugged, the window goes to the primary one, docked or floating, and
    // the choice stays stored; plugged in again, the screen has the window back.
    void windowFollowsItsScreenOutAndBackIn()
    {
        QVERIFY(startDockedAtTheBottomOfB());

        QVERIFY(OffscreenScreens::set({{u"A"_s, left}}));
        QCOMPARE(window()->geometry(), QRect(0, 1024 - 150, 1280, 150));
        QVERIFY(OffscreenScreens::set({{u"A"_s, left}, {u"B"_s, right}}));
        QCOMPARE(window()->geometry(), QRect(1280, 1080 - 150, 1920, 150));

        OverlayFixture::set("overlayPosition", u"floating"_s);
        QVERIFY(OffscreenScreens::set({{u"A"_s, left}}));
        QCOMPARE(window()->geometry(), QRect(100, 120, 640, 150));
        QVERIFY(OffscreenScreens::set({{u"A"_s, left}, {u"B"_s, right}}));
        QCOMPARE(window()->geometry(), QRect(1380, 120, 640, 150));
        QCOMPARE(SettingsStore::shared().string(u"overlayScreen"_s), u"B"_s);
    }

    // Text that names no position, and a screen that is not connected, read as floating on the
    // primary screen, and stay stored as they were: for a later version's position, and for a
    // screen that comes back.
    void unknownPositionAndScreenFallBackWithoutBeingOverwritten()
    {
        QVERIFY(OffscreenScreens::set({{u"A"_s, left}, {u"B"_s, right}}));
        OverlayFixture::set("overlayPosition", u"sideways"_s);
        OverlayFixture::set("overlayScreen", u"HDMI-9"_s);
        m_controller->startLiveSubtitles();
        QCOMPARE(window()->position(), SubtitlePosition::Floating);
        QCOMPARE(window()->chosenScreen(), QGuiApplication::primaryScreen());
        QCOMPARE(window()->geometry().center(), left.center());
        OverlayFixture::set("windowTransparency", u"0.5"_s);
        window()->performClose();
        QCOMPARE(SettingsStore::shared().string(u"overlayPosition"_s), u"sideways"_s);
        QCOMPARE(SettingsStore::shared().string(u"overlayScreen"_s), u"HDMI-9"_s);
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
