// SPDX-License-Identifier: GPL-3.0-or-later
#include "SubtitleLabel.h"

#include <QTextLayout>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

// Shrinking goes down in steps this fine; a finer step changes nothing a reader could see.
constexpr double pointSizeStep = 0.5;
const QString ellipsis = u"…"_s;

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
    m_painter.shadowed = shadowed;
    update();
}

void SubtitleLabel::setOutline(Outline outline)
{
    m_painter.outline = outline;
    update();
}

void SubtitleLabel::setLineBackground(const QColor &color)
{
    m_painter.lineBackground = color;
    update();
}

QFont SubtitleLabel::fontAt(double pointSize) const
{
    QFont scaled = font();
    scaled.setPointSizeF(pointSize);
    return scaled;
}

int SubtitleLabel::heightForWidth(int width) const
{
    const int m = margin();
    QTextLayout layout(text(), font());
    return SubtitleTextPainter::wrap(layout, std::max(1, width - 2 * m)).height + 2 * m;
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
        const SubtitleTextPainter::Wrapped wrapped = SubtitleTextPainter::wrap(layout, width);
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
        const SubtitleTextPainter::Wrapped wrapped = SubtitleTextPainter::wrap(layout, width);
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
    const SubtitleTextPainter::Wrapped wrapped =
        SubtitleTextPainter::wrap(layout, area.width(), alignment());
    const QPointF origin(area.left(),
                         area.top() + std::max(0, (area.height() - wrapped.height) / 2));
    m_painter.paint(*this, {{wrapped.lines, origin, m_textColor}});
}
