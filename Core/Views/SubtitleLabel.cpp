// SPDX-License-Identifier: GPL-3.0-or-later
#include "SubtitleLabel.h"

#include <QGlyphRun>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QTextLayout>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr double shadowOpacity = 0.33;
constexpr int shadowRadius = 2;
// Shrinking goes down in steps this fine; a finer step changes nothing a reader could see.
constexpr double pointSizeStep = 0.5;
const QString ellipsis = u"…"_s;
// The thin outline's pen, as a share of the line height; the pen is centred on the glyph's edge,
// so half of it shows outside. The thick one is twice as wide.
constexpr double thinOutlineShare = 0.07;
constexpr double thinnestOutline = 2.5;
const QColor outlineColor(0, 0, 0, 230);
// The box behind a line reaches this far beyond the text, as a share of the line height.
constexpr double lineBoxMargin = 0.2;

/// \a text laid out in lines no wider than \a width.
struct Wrapped
{
    QList<QTextLine> lines;
    int height = 0;
};

Wrapped wrap(QTextLayout &layout, int width, Qt::Alignment alignment = Qt::AlignLeading)
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

SubtitleLabel::SubtitleLabel(QWidget *parent)
    : QLabel(parent)
{
    setWordWrap(true);
    setAttribute(Qt::WA_TranslucentBackground);
}

void SubtitleLabel::setTextColor(const QColor &color)
{
    m_textColor = color;
    update();
}

void SubtitleLabel::setMinimumScaleFactor(double factor)
{
    m_minimumScaleFactor = std::clamp(factor, 0.01, 1.0);
    update();
}

void SubtitleLabel::setShadowed(bool shadowed)
{
    m_shadowed = shadowed;
    update();
}

void SubtitleLabel::setOutline(Outline outline)
{
    m_outline = outline;
    update();
}

void SubtitleLabel::setLineBackground(const QColor &color)
{
    m_lineBackground = color;
    update();
}

double SubtitleLabel::outlineWidth(const QFont &font) const
{
    const double thin = std::max(thinnestOutline, QFontMetricsF(font).height() * thinOutlineShare);
    return m_outline == Outline::Thick ? 2 * thin : thin;
}

QFont SubtitleLabel::fontAt(double pointSize) const
{
    QFont scaled = font();
    scaled.setPointSizeF(pointSize);
    return scaled;
}

int SubtitleLabel::margin() const
{
    const int outline = m_outline == Outline::None ? 0 : int(std::ceil(outlineWidth(font()) / 2));
    const int box = m_lineBackground.alpha() > 0
                        ? int(std::ceil(QFontMetricsF(font()).height() * lineBoxMargin))
                        : 0;
    return std::max({shadowRadius, outline, box});
}

int SubtitleLabel::heightForWidth(int width) const
{
    const int m = margin();
    QTextLayout layout(text(), font());
    return wrap(layout, std::max(1, width - 2 * m)).height + 2 * m;
}

int SubtitleLabel::minimumLineHeight() const
{
    const int m = margin();
    const QFontMetricsF metrics(fontAt(font().pointSizeF() * m_minimumScaleFactor));
    return int(std::ceil(metrics.height())) + 2 * m;
}

SubtitleLabel::Fit SubtitleLabel::fit(const QSize &size) const
{
    const int m = margin();
    const int width = std::max(1, size.width() - 2 * m);
    const int height = size.height() - 2 * m;
    const double fullSize = font().pointSizeF();
    const double smallest = fullSize * m_minimumScaleFactor;
    for (double pointSize = fullSize;; pointSize = std::max(smallest, pointSize - pointSizeStep)) {
        QTextLayout layout(text(), fontAt(pointSize));
        const Wrapped wrapped = wrap(layout, width);
        if (wrapped.height <= height)
            return {pointSize, text(), int(wrapped.lines.size())};
        if (pointSize <= smallest)
            break;
    }
    const QFont font = fontAt(smallest);
    const int lineLimit = std::max(1, int(height / QFontMetricsF(font).lineSpacing()));
    return {smallest, headTruncated(font, width, lineLimit), lineLimit};
}

QString SubtitleLabel::headTruncated(const QFont &font, int width, int lineLimit) const
{
    const QString whole = text();
    qsizetype start = 0;
    while (start < whole.size()) {
        const QString candidate = start > 0 ? ellipsis + whole.mid(start).trimmed() : whole;
        QTextLayout layout(candidate, font);
        const Wrapped wrapped = wrap(layout, width);
        const qsizetype excess = wrapped.lines.size() - lineLimit;
        if (excess <= 0)
            return candidate;
        // What the surplus lines hold goes, less the ellipsis that stands for it.
        const qsizetype cut = wrapped.lines.at(excess).textStart() - (start > 0 ? 1 : 0);
        start += std::max<qsizetype>(1, cut);
        while (start < whole.size() && whole.at(start).isSpace())
            ++start;
    }
    return ellipsis;
}

void SubtitleLabel::paintEvent(QPaintEvent *)
{
    const int m = margin();
    const QRect area = contentsRect().adjusted(m, m, -m, -m);
    if (text().isEmpty() || area.isEmpty())
        return;
    const Fit fitted = fit(contentsRect().size());
    QTextLayout layout(fitted.text, fontAt(fitted.pointSize));
    const Wrapped wrapped = wrap(layout, area.width(), alignment());
    const QPointF origin(area.left(),
                         area.top() + std::max(0, (area.height() - wrapped.height) / 2));

    if (m_lineBackground.alpha() > 0) {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_lineBackground);
        for (const QTextLine &line : wrapped.lines) {
            const double margin = line.height() * lineBoxMargin;
            const QRectF box =
                line.naturalTextRect().translated(origin).adjusted(-margin, 0, margin, 0);
            painter.drawRoundedRect(box, margin, margin);
        }
    }

    if (m_shadowed) {
        const qreal ratio = devicePixelRatioF();
        QImage halo((size() * ratio), QImage::Format_ARGB32_Premultiplied);
        halo.setDevicePixelRatio(ratio);
        halo.fill(Qt::transparent);
        {
            QPainter painter(&halo);
            painter.setPen(Qt::black);
            layout.draw(&painter, origin);
        }
        blurAlpha(halo, int(std::round(shadowRadius * ratio)));
        QPainter painter(this);
        painter.setOpacity(shadowOpacity);
        painter.drawImage(QPoint(0, 0), halo);
    }
    QPainter painter(this);
    if (m_outline != Outline::None) {
        // Stroked from the glyphs' own shapes, so that it follows every curve at any size.
        QPainterPath glyphs;
        for (const QGlyphRun &run : layout.glyphRuns()) {
            const QRawFont font = run.rawFont();
            const QList<quint32> indexes = run.glyphIndexes();
            const QList<QPointF> positions = run.positions();
            for (qsizetype i = 0; i < indexes.size(); ++i)
                glyphs.addPath(font.pathForGlyph(indexes.at(i)).translated(positions.at(i)));
        }
        painter.setRenderHint(QPainter::Antialiasing);
        painter.strokePath(glyphs.translated(origin),
                           QPen(outlineColor, outlineWidth(layout.font()), Qt::SolidLine,
                                Qt::RoundCap, Qt::RoundJoin));
    }
    painter.setPen(m_textColor);
    layout.draw(&painter, origin);
}
