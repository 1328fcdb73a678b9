// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>

/// One of the close, minimise and zoom buttons that a window without a frame draws itself: a
/// small round button with a white glyph, clear over any background.
class WindowButton : public QAbstractButton
{
    Q_OBJECT

public:
    enum class Kind { Close, Minimize, Zoom };

    explicit WindowButton(Kind kind, QWidget *parent = nullptr);

    QSize sizeHint() const override { return {16, 16}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Kind m_kind;
};
