// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowButton.h"

#include <QPainter>

WindowButton::WindowButton(Kind kind, QWidget *parent)
    : QAbstractButton(parent)
    , m_kind(kind)
{
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::ArrowCursor);
    switch (kind) {
    case Kind::Close:
        setAccessibleName(tr("Close"));
        break;
    case Kind::Minimize:
        setAccessibleName(tr("Minimize"));
        break;
    case Kind::Zoom:
        setAccessibleName(tr("Zoom"));
        break;
    }
    setToolTip(accessibleName());
}

void WindowButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF circle = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const int fill = isDown() ? 110 : (underMouse() || hasFocus()) ? 80 : 45;
    painter.setPen(QPen(QColor(255, 255, 255, 140), 1));
    painter.setBrush(QColor(255, 255, 255, fill));
    painter.drawEllipse(circle);

    // The glyph scales with the button, so it stays sharp at any device pixel ratio.
    const qreal inset = circle.width() * 0.3;
    const QRectF glyph = circle.adjusted(inset, inset, -inset, -inset);
    painter.setPen(
        QPen(Qt::white, std::max<qreal>(1.2, circle.width() / 11), Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    switch (m_kind) {
    case Kind::Close:
        painter.drawLine(glyph.topLeft(), glyph.bottomRight());
        painter.drawLine(glyph.topRight(), glyph.bottomLeft());
        break;
    case Kind::Minimize:
        painter.drawLine(QPointF(glyph.left(), glyph.center().y()),
                         QPointF(glyph.right(), glyph.center().y()));
        break;
    case Kind::Zoom:
        painter.drawRect(glyph);
        break;
    }
}
