// SPDX-License-Identifier: GPL-3.0-or-later
#include "TranscriptDetailView.h"

#include "Models/TranscriptHistoryModel.h"
#include "TranscriptRowDelegate.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int headerGap = 4;

// Replaces the text only when it differs, so that what the reader has selected or scrolled to
// stays while the record is saved again unchanged.
void showText(QPlainTextEdit *pane, const QString &text)
{
    if (pane->toPlainText() != text)
        pane->setPlainText(text);
}

} // namespace

TranscriptDetailView::TranscriptDetailView(const TranscriptHistoryModel &model, QWidget *parent)
    : QStackedWidget(parent)
    , m_model(model)
{
    m_placeholder = new QLabel(tr("Select a transcript"), this);
    m_placeholder->setAlignment(Qt::AlignCenter);
    m_placeholder->setForegroundRole(QPalette::PlaceholderText);
    addWidget(m_placeholder);
    addWidget(makeDetail());
    connect(&model, &TranscriptHistoryModel::detailChanged, this, &TranscriptDetailView::refresh);
    refresh();
}

QWidget *TranscriptDetailView::makeDetail()
{
    auto *detail = new QWidget(this);
    m_spokenLanguage = new QLabel(detail);
    m_translatedLanguage = new QLabel(detail);
    auto *arrow = new QLabel(u"→"_s, detail);
    arrow->setAccessibleName(tr("to"));
    auto *header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 0, headerGap);
    for (QLabel *label : {m_spokenLanguage, arrow, m_translatedLanguage}) {
        label->setFont(TranscriptRowDelegate::headlineFont(label->font()));
        label->setAlignment(Qt::AlignCenter);
        header->addWidget(label, label == arrow ? 0 : 1);
    }
    auto *divider = new QFrame(detail);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);

    m_spokenText = makeTextPane(tr("Spoken text"), detail);
    m_translatedText = makeTextPane(tr("Translation"), detail);
    auto *texts = new QHBoxLayout;
    texts->addWidget(m_spokenText, 1);
    texts->addWidget(m_translatedText, 1);

    auto *layout = new QVBoxLayout(detail);
    layout->addLayout(header);
    layout->addWidget(divider);
    layout->addLayout(texts, 1);
    return detail;
}

QPlainTextEdit *TranscriptDetailView::makeTextPane(const QString &name, QWidget *parent)
{
    auto *pane = new QPlainTextEdit(parent);
    pane->setReadOnly(true);
    pane->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    pane->setTabChangesFocus(true);
    pane->setFrameShape(QFrame::NoFrame);
    pane->setAccessibleName(name);
    // Drawn on the window's own background, as plain text on the page rather than a field.
    QPalette palette = pane->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    pane->setPalette(palette);
    return pane;
}

QString TranscriptDetailView::languageLabel(const QString &languageString,
                                            const QString &undecodable)
{
    const std::optional<Language> language = Language::fromRawValue(languageString);
    if (!language)
        return undecodable;
    return language->languageName().value_or(tr("Unknown"));
}

void TranscriptDetailView::refresh()
{
    const Transcript *record = m_model.selectedTranscript();
    setCurrentIndex(record ? 1 : 0);
    if (!record)
        return;
    m_spokenLanguage->setText(languageLabel(record->sourceLanguageString(), tr("Spoken Language")));
    m_translatedLanguage->setText(
        languageLabel(record->targetLanguageString(), tr("Translated Language")));
    showText(m_spokenText, record->formattedSourceText());
    showText(m_translatedText, targetPaneText());
}

QString TranscriptDetailView::targetPaneText() const
{
    switch (m_model.targetPane()) {
    case TranscriptHistoryModel::TargetPane::WaitingForSubtitles:
        return tr("Waiting for subtitles to be dismissed...");
    case TranscriptHistoryModel::TargetPane::Empty:
        return {};
    case TranscriptHistoryModel::TargetPane::Translation:
        return m_model.selectedTranscript()->formattedTargetText().value_or(QString());
    case TranscriptHistoryModel::TargetPane::Translating:
        return tr("Translating...");
    }
    return {};
}
