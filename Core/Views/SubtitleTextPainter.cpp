// SPDX-License-Identifier: GPL-3.0-or-later
#include "SubtitleTextPainter.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QTextLayout>
#include <QWidget>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr double shadowOpacity = 0.33;
constexpr int shadowRadius = 2;
// The thin outline's pen, as a share of the line height; the pen is centred on the glyph's edge,
// so half of it shows outside. The thick one is twice as wide.
constexpr double thinOutlineShare = 0.07;
constexpr double thinnestOutline = 2.5;
const QColor outlineColor(0, 0, 0, 230);
// The box behind a line reaches this far beyond the text, as a share of the line height.
constexpr double lineBoxMargin = 0.2;

/// A box blur of the alpha of a black, premultiplied image: the halo behind the glyphs.
void blurAlpha(QImage &image, int radius)
{
    const int width = image.width();
    const int height = image.height();
    std::vector<int> alpha(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < width; ++x)
            alpha[size_t(y) * width + x] = qAlpha(row[x]);
    }
    const auto pass = [&](bool horizontal) {
        std::vector<int> out(alpha.size());
        const int lines = horizontal ? height : width;
        const int length = horizontal ? width : height;
        for (int line = 0; line < lines; ++line) {
            const auto at = [&](int i) -> int & {
                return horizontal ? alpha[size_t(line) * width + i]
                                  : alpha[size_t(i) * width + line];
            };
            for (int i = 0; i < length; ++i) {
                int sum = 0;
                int count = 0;
                for (int k = std::max(0, i - radius); k <= std::min(length - 1, i + radius); ++k) {
                    sum += at(k);
                    ++count;
                }
                const size_t target =
                    horizontal ? size_t(line) * width + i : size_t(i) * width + line;
                out[target] = sum / count;
            }
        }
        alpha = std::move(out);
    };
    pass(true);
    pass(false);
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = qRgba(0, 0, 0, alpha[size_t(y) * width + x]);
    }
}

/// The outline of one glyph, stroked once and drawn again wherever the glyph is: stroking is by
/// far the slowest part of drawing a subtitle. Main thread.
struct GlyphOutline
{
    QImage image;
    /// Where the image goes from the glyph's origin, in whole pixels.
    QPoint offset;
};

GlyphOutline strokedGlyph(const QRawFont &font, quint32 glyph, QPointF fraction, double width,
                          qreal ratio)
{
    const QPainterPath path = font.pathForGlyph(glyph).translated(fraction);
    const QRect bounds = path.boundingRect()
                             .adjusted(-width / 2 - 1, -width / 2 - 1, width / 2 + 1, width / 2 + 1)
                             .toAlignedRect();
    // Alpha alone, a quarter of the memory: drawn, it is black of that alpha, the outline's colour.
    QImage image((bounds.size() * ratio).expandedTo({1, 1}), QImage::Format_Alpha8);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.strokePath(path.translated(-bounds.topLeft()),
                       QPen(outlineColor, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    return {image, bounds.topLeft()};
}

// Positions are kept to a quarter of a pixel: finer shows nowhere, coarser shows at the glyphs'
// edges.
constexpr int positionSteps = 4;
// Enough for the glyphs of a language in two sizes at their usual places; past it the cache
// starts again.
constexpr qsizetype mostOutlines = 1024;

void drawGlyphOutline(QPainter &painter, const QRawFont &font, quint32 glyph, QPointF position,
                      double width, qreal ratio)
{
    static QHash<QString, GlyphOutline> outlines;
    const QPoint whole(int(std::floor(position.x())), int(std::floor(position.y())));
    const int stepX = int((position.x() - whole.x()) * positionSteps);
    const int stepY = int((position.y() - whole.y()) * positionSteps);
    const QString key = u"%1|%2|%3|%4|%5|%6|%7|%8|%9"_s.arg(font.familyName(), font.styleName())
                            .arg(font.pixelSize())
                            .arg(glyph)
                            .arg(width)
                            .arg(ratio)
                            .arg(stepX)
                            .arg(stepY)
                            .arg(int(font.weight()));
    auto found = outlines.constFind(key);
    if (found == outlines.constEnd()) {
        if (outlines.size() >= mostOutlines)
            outlines.clear();
        const QPointF fraction(double(stepX) / positionSteps, double(stepY) / positionSteps);
        found = outlines.insert(key, strokedGlyph(font, glyph, fraction, width, ratio));
    }
    painter.drawImage(whole + found->offset, found->image);
}

} // namespace

SubtitleTextPainter::Wrapped SubtitleTextPainter::wrap(QTextLayout &layout, int width,
                                                       Qt::Alignment alignment)
{
    QTextOption option(alignment & Qt::AlignHorizontal_Mask);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    Wrapped wrapped;
    qreal y = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition({0, y});
        y += line.height();
        wrapped.lines.append(line);
    }
    layout.endLayout();
    wrapped.height = int(std::ceil(y));
    return wrapped;
}

double SubtitleTextPainter::outlineWidth(double lineHeight) const
{
    const double thin = std::max(thinnestOutline, lineHeight * thinOutlineShare);
    return outline == Outline::Thick ? 2 * thin : thin;
}

int SubtitleTextPainter::margin(const QFont &font) const
{
    const double lineHeight = QFontMetricsF(font).height();
    const int stroke = outline == Outline::None ? 0 : int(std::ceil(outlineWidth(lineHeight) / 2));
    const int box = lineBackground.alpha() > 0 ? int(std::ceil(lineHeight * lineBoxMargin)) : 0;
    return std::max({shadowRadius, stroke, box});
}

QImage SubtitleTextPainter::renderLine(const QString &text, const QFont &font, const QColor &color,
                                       qreal ratio) const
{
    QTextLayout layout(text, font);
    const Wrapped wrapped = wrap(layout, QWIDGETSIZE_MAX);
    const int m = margin(font);
    const QSizeF size(layout.boundingRect().width() + 2 * m, wrapped.height + 2 * m);
    QImage image((size * ratio).toSize().expandedTo({1, 1}), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    if (!wrapped.lines.isEmpty()) {
        const QTextLine &line = wrapped.lines.constFirst();
        paint(image, {{{line}, QPointF(m - line.naturalTextRect().left(), m), color}});
    }
    return image;
}

void SubtitleTextPainter::paint(QPaintDevice &device, const QList<Block> &blocks) const
{
    if (lineBackground.alpha() > 0) {
        QPainter painter(&device);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(lineBackground);
        for (const Block &block : blocks) {
            for (const QTextLine &line : block.lines) {
                const double margin = line.height() * lineBoxMargin;
                const QRectF box =
                    line.naturalTextRect().translated(block.origin).adjusted(-margin, 0, margin, 0);
                painter.drawRoundedRect(box, margin, margin);
            }
        }
    }

    if (shadowed) {
        // Only around the text: the blur's cost grows with its area.
        QRectF extent;
        for (const Block &block : blocks) {
            for (const QTextLine &line : block.lines)
                extent |= line.naturalTextRect().translated(block.origin);
        }
        const QRect area =
            extent.toAlignedRect()
                .adjusted(-2 * shadowRadius, -2 * shadowRadius, 2 * shadowRadius, 2 * shadowRadius)
                .intersected(QRect(0, 0, device.width(), device.height()));
        if (area.isEmpty())
            return;
        const qreal ratio = device.devicePixelRatioF();
        QImage halo((area.size() * ratio), QImage::Format_ARGB32_Premultiplied);
        halo.setDevicePixelRatio(ratio);
        halo.fill(Qt::transparent);
        {
            QPainter painter(&halo);
            painter.setPen(Qt::black);
            for (const Block &block : blocks) {
                for (const QTextLine &line : block.lines)
                    line.draw(&painter, block.origin - area.topLeft());
            }
        }
        blurAlpha(halo, int(std::round(shadowRadius * ratio)));
        QPainter painter(&device);
        painter.setOpacity(shadowOpacity);
        painter.drawImage(area.topLeft(), halo);
    }

    QPainter painter(&device);
    if (outline != Outline::None) {
        const qreal ratio = device.devicePixelRatioF();
        for (const Block &block : blocks) {
            for (const QTextLine &line : block.lines) {
                const double width = outlineWidth(line.height());
                for (const QGlyphRun &run : line.glyphRuns()) {
                    const QRawFont font = run.rawFont();
                    const QList<quint32> indexes = run.glyphIndexes();
                    const QList<QPointF> positions = run.positions();
                    for (qsizetype i = 0; i < indexes.size(); ++i)
                        drawGlyphOutline(painter, font, indexes.at(i),
                                         positions.at(i) + block.origin, width, ratio);
                }
            }
        }
    }
    for (const Block &block : blocks) {
        painter.setPen(block.color);
        for (const QTextLine &line : block.lines)
            line.draw(&painter, block.origin);
    }
}
