// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStyledItemDelegate>

/// Draws a row of the transcript history's list: the time in the headline font and, under it,
/// the languages in a smaller, secondary text. Every row is as tall, so that a list of thousands
/// never measures them one by one. Main thread.
class TranscriptRowDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit TranscriptRowDelegate(QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    /// Keeps \a pixels free of text at the row's trailing end, where the row's button goes.
    void setTrailingSpace(int pixels) { m_trailingSpace = pixels; }

    /// The fonts of a title line and of the line under it, made from \a base.
    static QFont headlineFont(QFont base);
    static QFont subheadlineFont(QFont base);

private:
    int m_trailingSpace = 0;
};
