// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Models/TranscriptExport.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class Transcript;

/// Asks how to export a transcript: as plain text or as subtitles (SubRip, WebVTT), with the
/// spoken text, the translation or both. What a transcript cannot give is not offered, or is
/// explained where the choice is made. Main thread.
class TranscriptExportDialog : public QDialog
{
    Q_OBJECT

public:
    /// A dialog for exporting \a transcript, which must outlive it.
    explicit TranscriptExportDialog(const Transcript &transcript, QWidget *parent = nullptr);

    TranscriptExport::Format format() const;
    TranscriptExport::Content content() const;

    /// The controls, for tests.
    QComboBox *formatBox() const { return m_format; }
    QComboBox *contentBox() const { return m_content; }
    QPushButton *exportButton() const { return m_export; }
    /// Why the chosen export cannot be made; hidden when it can.
    QLabel *reasonLabel() const { return m_reason; }

private:
    void updateReason();

    const Transcript &m_transcript;
    QComboBox *m_format;
    QComboBox *m_content;
    QLabel *m_reason;
    QPushButton *m_export;
};
