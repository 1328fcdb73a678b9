// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SubtitleTextPainter.h"

#include <QLabel>

class QTextLayout;

/// One line of subtitles: wrapped text that shrinks, down to a minimum scale, before any of it is
/// cut, and that then loses its beginning rather than its end, so the newest words stay on screen.
///
/// A QLabel underneath, so that screen readers read the text as they read any label.
class SubtitleLabel : public QLabel
{
    Q_OBJECT

public:
    explicit SubtitleLabel(QWidget *parent = nullptr);

    /// The colour of the text, opacity included.
    void setTextColor(const QColor &color);
    QColor textColor() const { return m_textColor; }

    /// How far the text may shrink to fit, 0 to 1 (1: not at all).
    void setMinimumScaleFactor(double factor);

    /// Draws a soft dark halo behind the glyphs, so that light text stays readable over a light
    /// background seen through the window.
    void setShadowed(bool shadowed);

    using Outline = SubtitleTextPainter::Outline;
    /// A dark line around each glyph, which keeps text readable over any background.
    void setOutline(Outline outline);
    Outline outline() const { return m_painter.outline; }

    /// Fills a box of \a color behind each line of text; a transparent colour draws none.
    void setLineBackground(const QColor &color);

    /// The height the text takes at full size, wrapped to \a width.
    int heightForWidth(int width) const override;
    bool hasHeightForWidth() const override { return true; }
    /// The height of one line at the smallest size the text may take.
    int minimumLineHeight() const;

    /// What fits into \a size: the font size used and the text as drawn (with "…" where cut).
    struct Fit
    {
        double pointSize = 0;
        QString text;
        int lineCount = 0;
    };
    Fit fit(const QSize &size) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QFont fontAt(double pointSize) const;
    /// The room around the text for its halo, its outline and its line boxes, in pixels.
    int margin() const { return m_painter.margin(font()); }
    QString headTruncated(const QFont &font, int width, int lineLimit) const;

    QColor m_textColor = Qt::white;
    double m_minimumScaleFactor = 1.0;
    SubtitleTextPainter m_painter;
};
