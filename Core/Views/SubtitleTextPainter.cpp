// SPDX-License-Identifier: GPL-3.0-or-later
#include "SubtitleTextPainter.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QTextLayout>
#include <QWidget>
#include <cmath>

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

void SubtitleTextPainter::paint(QWidget &widget, const QList<Block> &blocks) const
{
    if (lineBackground.alpha() > 0) {
        QPainter painter(&widget);
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
        const qreal ratio = widget.devicePixelRatioF();
        QImage halo((widget.size() * ratio), QImage::Format_ARGB32_Premultiplied);
        halo.setDevicePixelRatio(ratio);
        halo.fill(Qt::transparent);
        {
            QPainter painter(&halo);
            painter.setPen(Qt::black);
            for (const Block &block : blocks) {
                for (const QTextLine &line : block.lines)
                    line.draw(&painter, block.origin);
            }
        }
        blurAlpha(halo, int(std::round(shadowRadius * ratio)));
        QPainter painter(&widget);
        painter.setOpacity(shadowOpacity);
        painter.drawImage(QPoint(0, 0), halo);
    }

    QPainter painter(&widget);
    if (outline != Outline::None) {
        painter.setRenderHint(QPainter::Antialiasing);
        for (const Block &block : blocks) {
            for (const QTextLine &line : block.lines) {
                // Stroked from the glyphs' own shapes, so that it follows every curve at any size.
                QPainterPath glyphs;
                for (const QGlyphRun &run : line.glyphRuns()) {
                    const QRawFont font = run.rawFont();
                    const QList<quint32> indexes = run.glyphIndexes();
                    const QList<QPointF> positions = run.positions();
                    for (qsizetype i = 0; i < indexes.size(); ++i)
                        glyphs.addPath(
                            font.pathForGlyph(indexes.at(i)).translated(positions.at(i)));
                }
                painter.strokePath(glyphs.translated(block.origin),
                                   QPen(outlineColor, outlineWidth(line.height()), Qt::SolidLine,
                                        Qt::RoundCap, Qt::RoundJoin));
            }
        }
    }
    for (const Block &block : blocks) {
        painter.setPen(block.color);
        for (const QTextLine &line : block.lines)
            line.draw(&painter, block.origin);
    }
}
