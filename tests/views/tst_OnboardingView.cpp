// SPDX-License-Identifier: GPL-3.0-or-later
#include "AccessibleNames.h"
#include "TestMain.h"
#include "Views/OnboardingView.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>

using namespace Qt::Literals::StringLiterals;

class TestOnboardingView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void instructionSurroundsOneIcon()
    {
        QCOMPARE(OnboardingView::instructionPieces(
                     u"Click the %@ icon in the menu bar to get started."_s),
                 (QStringList{u"Click the "_s, u" icon in the menu bar to get started."_s}));
        // A translation that lost the placeholder says its text once, not on both sides.
        QCOMPARE(OnboardingView::instructionPieces(u"Klicken Sie auf das Symbol."_s),
                 QStringList{u"Klicken Sie auf das Symbol."_s});
        QCOMPARE(OnboardingView::instructionPieces(u"%@"_s), QStringList());

        const OnboardingView view;
        QCOMPARE(view.findChildren<QLabel *>(u"trayIcon"_s).size(), 1);
    }

    // The desktop's own name for where the icon is, from the names it gives itself.
    void instructionUsesTheDesktopsWords_data()
    {
        QTest::addColumn<QByteArray>("currentDesktop");
        QTest::addColumn<QString>("place");
        QTest::newRow("Xfce") << "XFCE"_ba << u"in the panel"_s;
        QTest::newRow("Cinnamon, named for the desktop it came from")
            << "X-Cinnamon"_ba << u"in the panel"_s;
        QTest::newRow("GNOME as Ubuntu names it") << "ubuntu:GNOME"_ba << u"in the top bar"_s;
        QTest::newRow("KDE Plasma") << "KDE"_ba << u"in the system tray"_s;
        QTest::newRow("unknown, then known") << "Openbox:MATE"_ba << u"in the panel"_s;
        QTest::newRow("unknown") << "Openbox"_ba << u"in the system tray"_s;
        QTest::newRow("unset") << QByteArray() << u"in the system tray"_s;
    }
    void instructionUsesTheDesktopsWords()
    {
        QFETCH(QByteArray, currentDesktop);
        QFETCH(QString, place);
        const QByteArray saved = qgetenv("XDG_CURRENT_DESKTOP");
        qputenv("XDG_CURRENT_DESKTOP", currentDesktop);
        const OnboardingView view;
        qputenv("XDG_CURRENT_DESKTOP", saved);
        QString instruction;
        for (const QLabel *label : view.findChildren<QLabel *>())
            instruction += label->text();
        QVERIFY2(instruction.contains(u"icon "_s + place + u" to get started."_s),
                 qPrintable(instruction));
    }

    void offersTheMenuWithoutATray()
    {
        QMenu menu;
        QAction *start = menu.addAction(u"Start Live Subtitles"_s);
        menu.addAction(u"Settings..."_s);
        QAction *hidden = menu.addAction(u"Show Live Subtitles"_s);
        hidden->setVisible(false);
        menu.addSeparator();
        QMenu *languages = menu.addMenu(u"Spoken Language"_s);
        languages->addAction(u"English"_s);

        auto *view = new OnboardingView;
        view->setAttribute(Qt::WA_DeleteOnClose);
        view->offerMenu(&menu);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view));
        QVERIFY(view->findChildren<QLabel *>(u"trayIcon"_s).isEmpty());
        const QList<QPushButton *> buttons = view->findChildren<QPushButton *>();
        QCOMPARE(buttons.size(), 4);
        QCOMPARE(buttons.at(1)->text(), u"Settings..."_s);
        QVERIFY(!buttons.at(2)->isVisible());
        QCOMPARE(buttons.at(3)->menu(), languages);
        QCOMPARE(unnamedControls(*view), QStringList());

        // The buttons are the commands: a click runs one, and a change of its text shows.
        QSignalSpy triggered(start, &QAction::triggered);
        QTest::mouseClick(buttons.at(0), Qt::LeftButton);
        QCOMPARE(triggered.size(), 1);
        start->setText(u"Stop Live Subtitles"_s);
        QCOMPARE(buttons.at(0)->text(), u"Stop Live Subtitles"_s);
        hidden->setVisible(true);
        QVERIFY(buttons.at(2)->isVisible());

        // The window is the only way to the program: Escape must not lose it, as it closes the
        // window that only points at the tray.
        const QPointer<OnboardingView> watched = view;
        QTest::keyClick(view, Qt::Key_Escape);
        QVERIFY(watched);
        delete view;
        auto *pointer = new OnboardingView;
        pointer->setAttribute(Qt::WA_DeleteOnClose);
        pointer->show();
        QVERIFY(QTest::qWaitForWindowExposed(pointer));
        const QPointer<OnboardingView> closed = pointer;
        QTest::keyClick(pointer, Qt::Key_Escape);
        QTRY_VERIFY(!closed);
    }
};

VOXLUME_TEST_MAIN(TestOnboardingView)
#include "tst_OnboardingView.moc"
