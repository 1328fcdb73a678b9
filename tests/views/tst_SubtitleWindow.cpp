// SPDX-License-Identifier: GPL-3.0-or-later
#include "AccessibleNames.h"
#include "OffscreenScreens.h"
#include "Platform/Settings/SettingsKeys.h"
#include "TestMain.h"
#include "Views/NoticeBanner.h"
#include "Views/SubtitleWindow.h"

#include <QLabel>
#include <QPointer>

using namespace Qt::Literals::StringLiterals;
using Reason = WindowSystem::WaylandReason;

namespace {

// Two monitors side by side, the second wider and taller, as many desks have them.
const QRect left(0, 0, 1280, 1024);
const QRect right(1280, 0, 1920, 1080);
const QRect floatingOnLeft(100, 120, 640, 150);

} // namespace

class TestSubtitleWindow : public QObject
{
    Q_OBJECT

private:
    Setting<bool> m_hasShownNotice{SettingsKeys::hasShownWaylandNotice};

    static std::unique_ptr<SubtitleWindow> shownWindow()
    {
        auto window = std::make_unique<SubtitleWindow>(new QLabel(u"Subtitles"_s));
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            return nullptr;
        return window;
    }

    static QScreen *screen(const char *name)
    {
        return OffscreenScreens::named(QLatin1String(name));
    }

    /// A window shown floating at floatingOnLeft, on two screens: A at left and B at right.
    static std::unique_ptr<SubtitleWindow> windowOnTwoScreens()
    {
        if (!OffscreenScreens::set({{u"A"_s, left}, {u"B"_s, right}}))
            return nullptr;
        std::unique_ptr<SubtitleWindow> window = shownWindow();
        if (window) {
            window->setPosition(SubtitlePosition::Floating, screen("A"));
            window->place(floatingOnLeft);
        }
        return window;
    }

    /// The cursor over \a point of \a window, as a move of the mouse there leaves it.
    static Qt::CursorShape cursorAt(SubtitleWindow &window, QPoint point)
    {
        QMouseEvent move(QEvent::MouseMove, point, window.mapToGlobal(point), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &move);
        return window.cursor().shape();
    }

private Q_SLOTS:
    void init() { m_hasShownNotice.setValue(false); }
    void cleanup() { QVERIFY(OffscreenScreens::reset()); }

    // A clear window, as with boxes behind the lines, shows where it is and its controls while
    // the pointer is over it, and is clear again once it has left.
    void aClearWindowShowsItselfUnderThePointer()
    {
        const std::unique_ptr<SubtitleWindow> window = shownWindow();
        QVERIFY(window);
        window->setBackgroundColor(Qt::transparent);
        const auto cornerAlpha = [&] { return qAlpha(window->grab().toImage().pixel(60, 60)); };
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(window.get(), &leave);
        QCOMPARE(cornerAlpha(), 0);
        QEnterEvent enter(QPointF(60, 60), QPointF(60, 60), QPointF(60, 60));
        QApplication::sendEvent(window.get(), &enter);
        QVERIFY(cornerAlpha() > 60);
        QApplication::sendEvent(window.get(), &leave);
        QCOMPARE(cornerAlpha(), 0);
    }

    void saysOnceWhyWaylandCannotKeepItOnTop()
    {
        const std::unique_ptr<SubtitleWindow> window = shownWindow();
        QVERIFY(window);
        // Shown offscreen: an X11-like platform, nothing to say.
        QVERIFY(!window->notice());
        window->offerWaylandNotice(Reason::None);
        QVERIFY(!window->notice());

        window->offerWaylandNotice(Reason::ChosenByUser);
        const QPointer<NoticeBanner> notice = window->notice();
        QVERIFY(notice && notice->isVisible());
        QVERIFY2(notice->text().contains(u"QT_QPA_PLATFORM=wayland"_s), qPrintable(notice->text()));
        QVERIFY(m_hasShownNotice.value());
        // Inside the window, below its buttons, and whole: tall enough for its wrapped text.
        QVERIFY(window->rect().contains(notice->geometry()));
        QVERIFY(notice->y() > 0);
        QVERIFY(notice->height() >= notice->heightForWidth(notice->width()));
        QCOMPARE(unnamedControls(*notice), QStringList());

        // It follows the window's width.
        window->resize(600, 220);
        QCOMPARE(notice->width(), window->width() - 2 * notice->x());
        QVERIFY(window->rect().contains(notice->geometry()));

        auto *dismiss = notice->findChild<QAbstractButton *>();
        QVERIFY(dismiss);
        dismiss->click();
        QTRY_VERIFY(!notice);
        QVERIFY(!window->notice());

        // Once for good: neither this window nor a later one says it again.
        window->offerWaylandNotice(Reason::ChosenByUser);
        QVERIFY(!window->notice());
        const std::unique_ptr<SubtitleWindow> later = shownWindow();
        QVERIFY(later);
        later->offerWaylandNotice(Reason::NoXServer);
        QVERIFY(!later->notice());
    }

    void tellsHowToReachXWaylandWhenNoneAnswered()
    {
        const std::unique_ptr<SubtitleWindow> window = shownWindow();
        QVERIFY(window);
        window->offerWaylandNotice(Reason::NoXServer);
        QVERIFY(window->notice());
        QVERIFY2(window->notice()->text().contains(u"xwayland"_s),
                 qPrintable(window->notice()->text()));
    }

    // Docked, the window spans the whole screen at the edge, as high as it floated; floating
    // again, it goes back where it was; moved to another screen, it keeps its place on it.
    void docksAtTheEdgeOfItsScreenAndFloatsBackWhereItWas()
    {
        const std::unique_ptr<SubtitleWindow> window = windowOnTwoScreens();
        QVERIFY(window);
        QCOMPARE(window->geometry(), floatingOnLeft);

        window->setPosition(SubtitlePosition::Bottom, screen("B"));
        QCOMPARE(window->geometry(), QRect(1280, 1080 - 150, 1920, 150));
        QCOMPARE(window->position(), SubtitlePosition::Bottom);
        QCOMPARE(window->chosenScreen(), screen("B"));
        window->setPosition(SubtitlePosition::Top, screen("B"));
        QCOMPARE(window->geometry(), QRect(1280, 0, 1920, 150));
        window->setPosition(SubtitlePosition::Top, screen("A"));
        QCOMPARE(window->geometry(), QRect(0, 0, 1280, 150));

        window->setPosition(SubtitlePosition::Floating, screen("A"));
        QCOMPARE(window->geometry(), floatingOnLeft);
        window->setPosition(SubtitlePosition::Floating, screen("B"));
        QCOMPARE(window->geometry(), floatingOnLeft.translated(1280, 0));
        // Placed where another screen is, it comes onto its own at the same place on it.
        window->place(floatingOnLeft);
        QCOMPARE(window->geometry(), floatingOnLeft.translated(1280, 0));

        // A window taller than half the screen docks at half its height, and keeps its own.
        window->place(QRect(1300, 50, 640, 700));
        window->setPosition(SubtitlePosition::Bottom, screen("B"));
        QCOMPARE(window->geometry(), QRect(1280, 540, 1920, 540));
        QCOMPARE(window->floatingGeometry(), QRect(1300, 50, 640, 700));

        // Window managers do not minimise panels: the docked window hides, minimised as far as
        // the menu can tell, and comes back docked.
        window->performMinimize();
        QVERIFY(!window->isVisible());
        QVERIFY(window->isMinimized());
        window->showNormal();
        QVERIFY(window->isVisible());
        QCOMPARE(window->geometry(), QRect(1280, 540, 1920, 540));
    }

    // Only the free edge resizes the strip, and the user's height for it holds docked and floating.
    void dockedStripResizesOnlyAtItsFreeEdge()
    {
        const std::unique_ptr<SubtitleWindow> window = windowOnTwoScreens();
        QVERIFY(window);
        window->setPosition(SubtitlePosition::Bottom, screen("A"));
        const QRect strip = window->geometry();
        QCOMPARE(cursorAt(*window, QPoint(strip.width() / 2, 1)), Qt::SizeVerCursor);
        QCOMPARE(cursorAt(*window, QPoint(strip.width() / 2, strip.height() - 1)), Qt::ArrowCursor);
        QCOMPARE(cursorAt(*window, QPoint(1, strip.height() / 2)), Qt::ArrowCursor);
        QCOMPARE(cursorAt(*window, QPoint(strip.width() - 1, strip.height() / 2)), Qt::ArrowCursor);

        // What the window manager does when the top edge is dragged up by 100 pixels.
        window->setGeometry(strip.adjusted(0, -100, 0, 0));
        window->setPosition(SubtitlePosition::Top, screen("A"));
        QCOMPARE(window->geometry(), QRect(0, 0, 1280, 250));
        QCOMPARE(cursorAt(*window, QPoint(640, 249)), Qt::SizeVerCursor);
        QCOMPARE(cursorAt(*window, QPoint(640, 1)), Qt::ArrowCursor);
        window->setPosition(SubtitlePosition::Floating, screen("A"));
        QCOMPARE(window->geometry(), QRect(floatingOnLeft.topLeft(), QSize(640, 250)));
        QCOMPARE(cursorAt(*window, QPoint(1, 100)), Qt::SizeHorCursor);
    }

    // The content's height holds with the bottom edge in place, floating and docked, and goes
    // back when the content no longer asks; once the user resizes, the height is theirs.
    void heightFollowsTheContentUntilTheUserResizes()
    {
        const std::unique_ptr<SubtitleWindow> window = windowOnTwoScreens();
        QVERIFY(window);
        window->setPreferredHeight(250);
        QCOMPARE(window->geometry(), QRect(100, floatingOnLeft.bottom() - 249, 640, 250));
        window->setPosition(SubtitlePosition::Bottom, screen("A"));
        window->setPreferredHeight(260);
        QCOMPARE(window->geometry(), QRect(0, 1024 - 260, 1280, 260));
        window->setPosition(SubtitlePosition::Floating, screen("A"));
        window->setPreferredHeight(0);
        QCOMPARE(window->height(), floatingOnLeft.height());

        QTest::mousePress(window.get(), Qt::LeftButton, {}, QPoint(320, 1));
        window->setPreferredHeight(400);
        QCOMPARE(window->height(), floatingOnLeft.height());
    }

    // A new resolution spans the strip anew, and a floating window left off its shrunk screen
    // comes back onto it. (An unplugged screen is the menu model's test, which also plugs it back.)
    void followsItsScreensResolution()
    {
        const std::unique_ptr<SubtitleWindow> window = windowOnTwoScreens();
        QVERIFY(window);
        window->setPosition(SubtitlePosition::Bottom, screen("B"));
        QVERIFY(OffscreenScreens::set({{u"A"_s, left}, {u"B"_s, QRect(1280, 0, 1600, 900)}}));
        QCOMPARE(window->geometry(), QRect(1280, 900 - 150, 1600, 150));

        QVERIFY(OffscreenScreens::set({{u"A"_s, left}, {u"B"_s, right}}));
        window->setPosition(SubtitlePosition::Floating, screen("B"));
        window->place(QRect(3000, 900, 640, 150));
        QCOMPARE(window->geometry(), QRect(3200 - 640, 900, 640, 150));
        QVERIFY(OffscreenScreens::set({{u"A"_s, left}, {u"B"_s, QRect(1280, 0, 1024, 768)}}));
        QCOMPARE(window->geometry(), QRect(2304 - 640, 768 - 150, 640, 150));
    }
};

VOXLUME_TEST_MAIN(TestSubtitleWindow)
#include "tst_SubtitleWindow.moc"
