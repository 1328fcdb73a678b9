// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestMain.h"
#include "Views/SubtitleLabel.h"

using namespace Qt::Literals::StringLiterals;

namespace {

const QString sentence = u"the quick brown fox jumps over the lazy dog"_s;

} // namespace

class TestSubtitleLabel : public QObject
{
    Q_OBJECT

private:
    SubtitleLabel m_label;

    /// A label whose text needs \a lines lines of its font at full size in a box \a width wide.
    int heightOfLines(int lines)
    {
        return int(std::ceil(QFontMetricsF(m_label.font()).lineSpacing() * lines)) + 4;
    }

private Q_SLOTS:
    void init()
    {
        QFont font = m_label.font();
        font.setPointSizeF(35);
        m_label.setFont(font);
        m_label.setMinimumScaleFactor(0.7);
        m_label.setOutline(SubtitleLabel::Outline::None);
        m_label.setLineBackground(Qt::transparent);
        m_label.setShadowed(true);
    }

    // White text over a white page: only an outline, or a box behind the line, makes it readable.
    // Counted are the dark pixels that the label leaves on the page.
    void outlinesAndLineBoxesDarkenAroundTheGlyphs()
    {
        m_label.setText(u"Readable"_s);
        m_label.setTextColor(Qt::white);
        m_label.setShadowed(false);
        m_label.resize(500, 120);
        const auto darkPixels = [this] {
            QImage page(m_label.size(), QImage::Format_ARGB32);
            page.fill(Qt::white);
            m_label.render(&page, {}, {}, QWidget::DrawChildren);
            int dark = 0;
            for (int y = 0; y < page.height(); ++y) {
                for (int x = 0; x < page.width(); ++x)
                    dark += qGray(page.pixel(x, y)) < 100 ? 1 : 0;
            }
            return dark;
        };
        QCOMPARE(darkPixels(), 0);
        m_label.setOutline(SubtitleLabel::Outline::Thin);
        const int thin = darkPixels();
        QVERIFY(thin > 300);
        m_label.setOutline(SubtitleLabel::Outline::Thick);
        QVERIFY(darkPixels() > thin * 3 / 2);

        // A box spans the line, far more than the glyphs' outline does.
        m_label.setOutline(SubtitleLabel::Outline::None);
        m_label.setLineBackground(QColor(0, 0, 0, 200));
        QVERIFY(darkPixels() > thin * 4);
    }

    void textThatFitsKeepsItsSize()
    {
        m_label.setText(u"hello"_s);
        const SubtitleLabel::Fit fit = m_label.fit({800, heightOfLines(1)});
        QCOMPARE(fit.pointSize, 35.0);
        QCOMPARE(fit.text, u"hello"_s);
    }

    // A text one line too long for its box gets smaller, and none of it is cut.
    void shrinksBeforeCutting()
    {
        m_label.setText(sentence);
        const QSize box(int(QFontMetricsF(m_label.font()).horizontalAdvance(sentence) * 0.85),
                        heightOfLines(1));
        const SubtitleLabel::Fit fit = m_label.fit(box);
        QVERIFY2(fit.pointSize < 35.0 && fit.pointSize >= 35.0 * 0.7,
                 qPrintable(QString::number(fit.pointSize)));
        QCOMPARE(fit.text, sentence);
        QCOMPARE(fit.lineCount, 1);
    }

    // Live text loses its oldest words: the newest must stay readable however long it grows.
    void cutsTheBeginningAndKeepsTheEnd()
    {
        QString text;
        for (int i = 0; i < 12; ++i)
            text += sentence + u' ';
        text += u"newest words here"_s;
        m_label.setText(text);
        const SubtitleLabel::Fit fit = m_label.fit({600, heightOfLines(2)});
        QCOMPARE(fit.pointSize, 35.0 * 0.7);
        QVERIFY2(fit.text.startsWith(u'…'), qPrintable(fit.text));
        QVERIFY2(fit.text.endsWith(u"newest words here"_s), qPrintable(fit.text));
        QVERIFY(fit.text.size() < text.size());
        QVERIFY(fit.lineCount <= 2);
        // It keeps as much as the box holds: two lines, not one.
        QVERIFY2(fit.text.size() > 30, qPrintable(fit.text));
    }
};

VOXLUME_TEST_MAIN(TestSubtitleLabel)
#include "tst_SubtitleLabel.moc"
