// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFrame>

class QLabel;

/// A short notice laid over the top of a window's content, in white on dark grey so that it reads
/// over any subtitle style, until the user dismisses it. It deletes itself once dismissed. Main
/// thread.
class NoticeBanner : public QFrame
{
    Q_OBJECT

public:
    explicit NoticeBanner(const QString &text, QWidget *parent = nullptr);

    QString text() const;
    /// Sets the banner's width and the height its wrapped text needs, at \a topLeft.
    void place(const QPoint &topLeft, int width);

Q_SIGNALS:
    /// The user closed the banner, which is about to go.
    void dismissed();

private:
    QLabel *m_text;
};
