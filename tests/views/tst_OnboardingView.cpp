// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestMain.h"
#include "Views/OnboardingView.h"

#include <QLabel>

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

    void escapeClosesTheWindow()
    {
        auto *view = new OnboardingView;
        view->setAttribute(Qt::WA_DeleteOnClose);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view));
        const QPointer<OnboardingView> watched = view;
        QTest::keyClick(view, Qt::Key_Escape);
        QTRY_VERIFY(!watched);
    }
};

VOXLUME_TEST_MAIN(TestOnboardingView)
#include "tst_OnboardingView.moc"
