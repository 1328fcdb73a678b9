// SPDX-License-Identifier: GPL-3.0-or-later
#include "AccessibleNames.h"
#include "Platform/Settings/SettingsKeys.h"
#include "TestMain.h"
#include "Views/NoticeBanner.h"
#include "Views/SubtitleWindow.h"

#include <QLabel>
#include <QPointer>

using namespace Qt::Literals::StringLiterals;
using Reason = WindowSystem::WaylandReason;

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

private Q_SLOTS:
    void init() { m_hasShownNotice.setValue(false); }

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
};

VOXLUME_TEST_MAIN(TestSubtitleWindow)
#include "tst_SubtitleWindow.moc"
