// SPDX-License-Identifier: GPL-3.0-or-later
#include "Platform/Windows/ScreenStrut.h"
#include "TestMain.h"

using Strut = std::array<quint32, 12>;
Q_DECLARE_METATYPE(Strut)

class TestScreenStrut : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each cardinal in the order of _NET_WM_STRUT_PARTIAL: left, right, top, bottom, left_start_y,
    // left_end_y, right_start_y, right_end_y, top_start_x, top_end_x, bottom_start_x,
    // bottom_end_x. Widths count from the root window's edge, ends are the last pixel kept.
    void keepsTheStripFromTheRootWindowsEdge_data()
    {
        QTest::addColumn<Qt::Edge>("edge");
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QSize>("root");
        QTest::addColumn<Strut>("expected");

        // A 1920×1080 screen right of another of the same size.
        const QRect rightOfAnother(1920, 0, 1920, 1080);
        QTest::newRow("top, right screen") << Qt::TopEdge << rightOfAnother << QSize(3840, 1080)
                                           << Strut{0, 0, 150, 0, 0, 0, 0, 0, 1920, 3839, 0, 0};
        QTest::newRow("bottom, right screen")
            << Qt::BottomEdge << rightOfAnother << QSize(3840, 1080)
            << Strut{0, 0, 0, 150, 0, 0, 0, 0, 0, 0, 1920, 3839};

        // A 1280×1024 screen right of a taller 1920×1080 one: the root is 1080 high, and the 56
        // rows below the smaller screen are kept too, or maximised windows would reach under the
        // subtitles.
        const QRect smallerBeside(1920, 0, 1280, 1024);
        QTest::newRow("bottom, smaller screen")
            << Qt::BottomEdge << smallerBeside << QSize(3200, 1080)
            << Strut{0, 0, 0, 56 + 150, 0, 0, 0, 0, 0, 0, 1920, 3199};
        QTest::newRow("top, smaller screen") << Qt::TopEdge << smallerBeside << QSize(3200, 1080)
                                             << Strut{0, 0, 150, 0, 0, 0, 0, 0, 1920, 3199, 0, 0};
        QTest::newRow("bottom, taller screen")
            << Qt::BottomEdge << QRect(0, 0, 1920, 1080) << QSize(3200, 1080)
            << Strut{0, 0, 0, 150, 0, 0, 0, 0, 0, 0, 0, 1919};

        // A screen below another: its top strip counts from the root's top, above both.
        const QRect below(0, 1080, 1280, 1024);
        QTest::newRow("top, lower screen") << Qt::TopEdge << below << QSize(1920, 2104)
                                           << Strut{0, 0, 1080 + 150, 0, 0, 0, 0, 0, 0, 1279, 0, 0};
        QTest::newRow("bottom, lower screen") << Qt::BottomEdge << below << QSize(1920, 2104)
                                              << Strut{0, 0, 0, 150, 0, 0, 0, 0, 0, 0, 0, 1279};

        // Nothing is docked at the sides.
        QTest::newRow("left") << Qt::LeftEdge << rightOfAnother << QSize(3840, 1080) << Strut{};
    }

    void keepsTheStripFromTheRootWindowsEdge()
    {
        QFETCH(Qt::Edge, edge);
        QFETCH(QRect, screen);
        QFETCH(QSize, root);
        QFETCH(Strut, expected);
        const Strut strut = ScreenStrut::partial(edge, screen, 150, root);
        if (strut != expected) {
            QStringList got;
            for (const quint32 value : strut)
                got << QString::number(value);
            QFAIL(qPrintable(QStringLiteral("got ") + got.join(u' ')));
        }
    }
};

VOXLUME_TEST_MAIN(TestScreenStrut)
#include "tst_ScreenStrut.moc"
