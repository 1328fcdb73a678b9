// SPDX-License-Identifier: GPL-3.0-or-later
#include "TranscriptRowDelegate.h"

#include "Models/TranscriptListModel.h"

#include <QApplication>
#include <QPainter>

namespace {

constexpr int margin = 6;
constexpr int lineSpacing = 2;
constexpr double subheadlineScale = 0.9;
// The secondary line on a selected row: the selection's text colour, a little dimmed.
constexpr double selectedSecondaryOpacity = 0.75;

} // namespace

TranscriptRowDelegate::TranscriptRowDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{}

QFont TranscriptRowDelegate::headlineFont(QFont base)
{
    base.setBold(true);
    return base;
}

QFont TranscriptRowDelegate::subheadlineFont(QFont base)
{
    if (base.pointSizeF() > 0)
        base.setPointSizeF(base.pointSizeF() * subheadlineScale);
    else
        base.setPixelSize(qRound(base.pixelSize() * subheadlineScale));
    return base;
}

void TranscriptRowDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                  const QModelIndex &index) const
{
    QStyleOptionViewItem item(option);
    initStyleOption(&item, index);
    // The style draws the row's background, selection and focus; the texts are drawn here.
    item.text.clear();
    const QWidget *widget = item.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);

    const QPalette::ColorGroup group = !(item.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : item.state & QStyle::State_Active   ? QPalette::Active
                                                                             : QPalette::Inactive;
    const bool selected = item.state & QStyle::State_Selected;
    const QColor primary =
        item.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
    QColor secondary = item.palette.color(group, QPalette::PlaceholderText);
    if (selected) {
        secondary = primary;
        secondary.setAlphaF(selectedSecondaryOpacity);
    }
    const QRect text = item.rect.adjusted(margin, margin, -margin - m_trailingSpace, -margin);
    const QFont headline = headlineFont(item.font);
    const QFont subheadline = subheadlineFont(item.font);
    const QFontMetrics headlineMetrics(headline);

    painter->save();
    painter->setFont(headline);
    painter->setPen(primary);
    painter->drawText(
        text.topLeft() + QPoint(0, headlineMetrics.ascent()),
        headlineMetrics.elidedText(index.data().toString(), Qt::ElideRight, text.width()));
    const QVariant languages = index.data(TranscriptListModel::LanguagesRole);
    if (!languages.isNull()) {
        const QFontMetrics metrics(subheadline);
        painter->setFont(subheadline);
        painter->setPen(secondary);
        painter->drawText(text.topLeft() +
                              QPoint(0, headlineMetrics.height() + lineSpacing + metrics.ascent()),
                          metrics.elidedText(languages.toString(), Qt::ElideRight, text.width()));
    }
    painter->restore();
}

QSize TranscriptRowDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    const int height = QFontMetrics(headlineFont(option.font)).height() + lineSpacing +
                       QFontMetrics(subheadlineFont(option.font)).height();
    return {QFontMetrics(option.font).averageCharWidth() * 20 + m_trailingSpace,
            height + 2 * margin};
}
