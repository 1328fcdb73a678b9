// SPDX-License-Identifier: GPL-3.0-or-later
#include "TranscriptExportDialog.h"

#include "Platform/Store/Transcript.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// A combo box and the label that names it to a screen reader: Qt names a combo box by its
// current text otherwise.
QComboBox *addChoice(QFormLayout *form, const QString &label, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setAccessibleName(label);
    auto *name = new QLabel(label + u':', parent);
    name->setBuddy(box);
    form->addRow(name, box);
    return box;
}

} // namespace

TranscriptExportDialog::TranscriptExportDialog(const Transcript &transcript, QWidget *parent)
    : QDialog(parent)
    , m_transcript(transcript)
{
    setWindowTitle(tr("Export Transcript"));
    auto *form = new QFormLayout;
    m_format = addChoice(form, tr("Format"), this);
    m_format->addItem(tr("Plain Text (.txt)"), int(TranscriptExport::Format::PlainText));
    // A run kept without times can only be plain text; the reason shows below.
    if (!transcript.cues().isEmpty()) {
        m_format->addItem(tr("SubRip Subtitles (.srt)"), int(TranscriptExport::Format::SubRip));
        m_format->addItem(tr("WebVTT Subtitles (.vtt)"), int(TranscriptExport::Format::WebVtt));
    }
    m_content = addChoice(form, tr("Text"), this);
    m_content->addItem(tr("Spoken Text"), int(TranscriptExport::Content::Spoken));
    m_content->addItem(tr("Translation"), int(TranscriptExport::Content::Translation));
    m_content->addItem(tr("Spoken Text and Translation"), int(TranscriptExport::Content::Both));
    m_content->setCurrentIndex(2);

    m_reason = new QLabel(this);
    m_reason->setWordWrap(true);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    m_export = buttons->addButton(tr("Export…"), QDialogButtonBox::AcceptRole);
    m_export->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_reason);
    layout->addWidget(buttons);
    connect(m_format, &QComboBox::currentIndexChanged, this, &TranscriptExportDialog::updateReason);
    connect(m_content, &QComboBox::currentIndexChanged, this,
            &TranscriptExportDialog::updateReason);
    updateReason();
}

TranscriptExport::Format TranscriptExportDialog::format() const
{
    return TranscriptExport::Format(m_format->currentData().toInt());
}

TranscriptExport::Content TranscriptExportDialog::content() const
{
    return TranscriptExport::Content(m_content->currentData().toInt());
}

void TranscriptExportDialog::updateReason()
{
    const std::optional<QString> blocked =
        TranscriptExport::unavailableReason(m_transcript, format(), content());
    m_export->setEnabled(!blocked);
    // Without times, why subtitles are not offered stays in view.
    const std::optional<QString> reason =
        blocked || !m_transcript.cues().isEmpty()
            ? blocked
            : TranscriptExport::unavailableReason(m_transcript, TranscriptExport::Format::SubRip,
                                                  TranscriptExport::Content::Spoken);
    m_reason->setText(reason.value_or(QString()));
    m_reason->setVisible(reason.has_value());
    adjustSize();
}
