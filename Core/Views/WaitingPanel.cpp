// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaitingPanel.h"

#include "BusyIndicator.h"

#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr double titleScale = 1.4;

QLabel *whiteLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setStyleSheet(QStringLiteral("color: white;"));
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    auto *shadow = new QGraphicsDropShadowEffect(label);
    shadow->setColor(QColor(0, 0, 0, 84));
    shadow->setOffset(0, 0);
    shadow->setBlurRadius(4);
    label->setGraphicsEffect(shadow);
    return label;
}

} // namespace

WaitingPanel::WaitingPanel(QWidget *parent)
    : QWidget(parent)
{
    m_indicator = new BusyIndicator(this);
    m_title = whiteLabel(tr("Waiting for translation to be ready..."), this);
    // One line: wrapped, the title would break into a column beside the indicator.
    m_title->setWordWrap(false);
    QFont titleFont = m_title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * titleScale);
    m_title->setFont(titleFont);

    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(m_indicator);
    row->addSpacing(4);
    row->addWidget(m_title);
    row->addStretch();

    m_settingsButton = new QPushButton(tr("Open Language Settings"), this);
    m_settingsButton->hide();
    connect(m_settingsButton, &QPushButton::clicked, this, [this] {
        if (m_languageSettings)
            m_languageSettings();
    });
    m_hint = whiteLabel(
        tr("Voxlume installs the translation through your system's **package manager**: confirm "
           "the installation when your desktop asks for it, and the subtitles start as soon as "
           "it is ready."),
        this);
    m_hint->setTextFormat(Qt::MarkdownText);
    // Read out without the marks that make the words bold.
    m_hint->setAccessibleName(m_hint->text().remove(QStringLiteral("**")));

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(row);
    column->addWidget(m_settingsButton, 0, Qt::AlignHCenter);
    column->addWidget(m_hint);
}

void WaitingPanel::showFailure(const QString &reason)
{
    m_indicator->hide();
    m_title->setText(tr("The translation cannot be made ready"));
    m_hint->setTextFormat(Qt::PlainText);
    m_hint->setText(reason + u' ' + tr("Then start the subtitles again."));
    m_hint->setAccessibleName(QString());
}

void WaitingPanel::setLanguageSettingsAction(std::function<void()> action)
{
    m_languageSettings = std::move(action);
    m_settingsButton->setVisible(bool(m_languageSettings));
}
