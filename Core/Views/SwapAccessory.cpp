// SPDX-License-Identifier: GPL-3.0-or-later
#include "SwapAccessory.h"

#include <QLabel>
#include <QToolButton>

namespace {

constexpr QRect containerGeometry(80, 1, 110, 24);
constexpr QRect leftLabelGeometry(4, 0, 30, 20);
constexpr QRect buttonGeometry(34, 0, 24, 24);
constexpr QRect rightLabelGeometry(58, 0, 30, 20);
constexpr int labelPixelSize = 12;

QLabel *codeLabel(const QRect &geometry, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignCenter);
    QFont font = label->font();
    font.setPixelSize(labelPixelSize);
    font.setWeight(QFont::Medium);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    return label;
}

} // namespace

SwapAccessory::SwapAccessory(QWidget *parent)
    : QWidget(parent)
    , m_leftLabel(codeLabel(leftLabelGeometry, this))
    , m_button(new QToolButton(this))
    , m_rightLabel(codeLabel(rightLabelGeometry, this))
{
    setGeometry(containerGeometry);
    setAttribute(Qt::WA_TranslucentBackground);
    setAccessibleName(tr("Translation Direction"));
    m_button->setGeometry(buttonGeometry);
    m_button->setAutoRaise(true);
    m_button->setIconSize(buttonGeometry.size() - QSize(4, 4));
    m_button->setAccessibleName(tr("Swap Languages"));
    m_button->setToolTip(tr("Swap Languages"));
    m_button->setFocusPolicy(Qt::TabFocus);
    m_button->setStyleSheet(
        QStringLiteral("QToolButton { border: none; background: transparent; border-radius: 12px; }"
                       "QToolButton:hover { background: rgba(255, 255, 255, 40); }"
                       "QToolButton:focus { background: rgba(255, 255, 255, 60); }"));
}
