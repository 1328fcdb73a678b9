// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QList>
#include <QPointF>
#include <QTextLine>

class QFont;
class QTextLayout;
class QImage;
class QPaintDevice;

/// Draws laid-out subtitle text in the subtitles' style: a soft halo or a dark outline around
/// the glyphs, and a box behind each line, so that the text reads over any background.
///
/// Shared by the views that lay out subtitles in their own ways, so that every line looks alike.
class SubtitleTextPainter
{
public:
    /// A dark line around each glyph, which keeps text readable over any background.
    enum class Outline { None, Thin, Thick };

    /// Lines of one laid-out text, drawn in one colour from one origin.
    struct Block
    {
        QList<QTextLine> lines;
        QPointF origin;
        QColor color;
    };

    /// Draws a soft dark halo behind the glyphs, so that light text stays readable over a light
    /// background seen through the window.
    bool shadowed = true;
    Outline outline = Outline::None;
    /// Fills a box of this colour behind each line of text; a transparent colour draws none.
    QColor lineBackground = Qt::transparent;

    friend bool operator==(const SubtitleTextPainter &, const SubtitleTextPainter &) = default;

    /// A text laid out in lines no wider than a width.
    struct Wrapped
    {
        QList<QTextLine> lines;
        int height = 0;
    };
    /// Lays out \a layout's text in lines no wider than \a width, breaking between words where
    /// it can, the first at the top.
    static Wrapped wrap(QTextLayout &layout, int width, Qt::Alignment alignment = Qt::AlignLeading);

    /// The room text of \a font needs around it for its halo, its outline and its line boxes.
    int margin(const QFont &font) const;
    /// Draws \a blocks onto \a device, the halo of all of them first, so that no halo darkens
    /// the glyphs of another block.
    void paint(QPaintDevice &device, const QList<Block> &blocks) const;
    /// \a text on one line in \a font and \a color, with margin() around it, at \a ratio device
    /// pixels to the pixel: an image to draw again and again, as stroking glyphs is slow.
    QImage renderLine(const QString &text, const QFont &font, const QColor &color,
                      qreal ratio) const;

private:
    /// The width of the pen that strokes the outline of glyphs in lines \a lineHeight high.
    double outlineWidth(double lineHeight) const;
};
