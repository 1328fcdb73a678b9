// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QLabel;
class QToolButton;

/// The control in the subtitle window's title strip that shows which way translation goes (two
/// language codes and an arrow between them) and reverses it with one click.
///
/// It only holds its views; the window's controller fills them from the settings.
class SwapAccessory : public QWidget
{
    Q_OBJECT

public:
    explicit SwapAccessory(QWidget *parent = nullptr);

    QLabel *leftLabel() const { return m_leftLabel; }
    QToolButton *button() const { return m_button; }
    QLabel *rightLabel() const { return m_rightLabel; }

private:
    // Made in this order, which is the order screen readers go through them.
    QLabel *m_leftLabel;
    QToolButton *m_button;
    QLabel *m_rightLabel;
};
