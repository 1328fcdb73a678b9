// SPDX-License-Identifier: GPL-3.0-or-later
#include "NoticeBanner.h"

#include "WindowButton.h"

#include <QHBoxLayout>
#include <QLabel>

using namespace Qt::Literals::StringLiterals;

NoticeBanner::NoticeBanner(const QString &text, QWidget *parent)
    : QFrame(parent)
    , m_text(new QLabel(text, this))
{
    setObjectName(u"noticeBanner"_s);
    setAccessibleName(tr("Notice"));
    setAccessibleDescription(text);
    setStyleSheet(
        u"#noticeBanner { background: rgb(74, 74, 74); border: 1px solid rgba(255, 255, 255, 90);"
        u" border-radius: 8px; }"
        u"QLabel { color: white; background: transparent; }"_s);
    // Notices may quote paths and names, which are never markup.
    m_text->setTextFormat(Qt::PlainText);
    m_text->setWordWrap(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *dismiss = new WindowButton(WindowButton::Kind::Close, this);
    dismiss->setAccessibleName(tr("Dismiss Notice"));
    dismiss->setToolTip(tr("Dismiss Notice"));
    dismiss->setFocusPolicy(Qt::StrongFocus);
    connect(dismiss, &QAbstractButton::clicked, this, [this] {
        hide();
        Q_EMIT dismissed();
        deleteLater();
    });

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(12, 8, 8, 8);
    row->addWidget(m_text, 1);
    row->addWidget(dismiss, 0, Qt::AlignTop);
}

QString NoticeBanner::text() const
{
    return m_text->text();
}

void NoticeBanner::place(const QPoint &topLeft, int width)
{
    setGeometry(QRect(topLeft, QSize(width, heightForWidth(width))));
}
