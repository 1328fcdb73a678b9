// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStackedWidget>

class QLabel;
class QPlainTextEdit;
class TranscriptHistoryModel;

/// The detail pane of the transcript history: the selected transcript's two languages over its
/// spoken text and its translation side by side, both read-only and selectable; "Select a
/// transcript" when none is selected. Follows the model's selection and record. Main thread.
class TranscriptDetailView : public QStackedWidget
{
    Q_OBJECT

public:
    explicit TranscriptDetailView(const TranscriptHistoryModel &model, QWidget *parent = nullptr);

    /// The name of the language whose raw value is \a languageString, "Unknown" for a language
    /// without a name, and \a undecodable when the string is no language.
    static QString languageLabel(const QString &languageString, const QString &undecodable);

    /// The parts, for tests.
    QLabel *spokenLanguage() const { return m_spokenLanguage; }
    QLabel *translatedLanguage() const { return m_translatedLanguage; }
    QPlainTextEdit *spokenText() const { return m_spokenText; }
    QPlainTextEdit *translatedText() const { return m_translatedText; }
    QLabel *placeholder() const { return m_placeholder; }

private:
    QWidget *makeDetail();
    QPlainTextEdit *makeTextPane(const QString &name, QWidget *parent);
    void refresh();
    QString targetPaneText() const;

    const TranscriptHistoryModel &m_model;
    QLabel *m_placeholder;
    QLabel *m_spokenLanguage;
    QLabel *m_translatedLanguage;
    QPlainTextEdit *m_spokenText;
    QPlainTextEdit *m_translatedText;
};
