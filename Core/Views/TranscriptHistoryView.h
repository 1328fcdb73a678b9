// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Models/TranscriptExport.h"

#include <QPersistentModelIndex>
#include <QPointer>
#include <QWidget>
#include <memory>

class QLineEdit;
class QListView;
class QMessageBox;
class QPushButton;
class QToolButton;
class Transcript;
class TranscriptDetailView;
class TranscriptHistoryModel;
class TranscriptListModel;

/// The content of the transcript history window: a search over the stored transcripts, their
/// list newest first, and beside it the selected one's spoken text and translation, which can be
/// copied or exported to plain text or to subtitle files.
///
/// A transcript is deleted, after a confirmation, from its row's button (shown on the row under
/// the mouse, else on the selected row), its context menu or the Delete key in the list. Keys:
/// arrows move through the list, Ctrl+F goes to the search, Ctrl+C copies both texts (in a text
/// pane with a selection, that selection). Main thread.
class TranscriptHistoryView : public QWidget
{
    Q_OBJECT

public:
    /// A view of \a model's history.
    explicit TranscriptHistoryView(std::unique_ptr<TranscriptHistoryModel> model,
                                   QWidget *parent = nullptr);
    ~TranscriptHistoryView() override;

    TranscriptHistoryModel &model() const { return *m_model; }

    /// Puts the selected transcript's texts on the clipboard.
    void copyTranscript();
    /// Offers to save the selected transcript as plain text or subtitles, then where.
    void exportTranscript();
    /// Says above the list that the store on disk could not be opened, for \a reason, and that
    /// what the list shows goes when the program quits.
    void showStoreUnavailable(const QString &reason);

    /// The parts, for tests.
    QLineEdit *searchField() const { return m_search; }
    QListView *list() const { return m_list; }
    QToolButton *rowDeleteButton() const { return m_rowDelete; }
    TranscriptDetailView *detail() const { return m_detail; }

protected:
    void showEvent(QShowEvent *event) override;
    /// Follows the mouse over the list's rows, for the row's delete button.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *makeToolbar();
    QListView *makeList();
    void addShortcuts();
    void showSelection();
    void listCurrentChanged(const QModelIndex &current);
    void placeRowDeleteButton();
    void showContextMenu(const QPoint &position);
    void presentDeleteConfirmation();
    void chooseExportFile(const Transcript &record, TranscriptExport::Format format,
                          TranscriptExport::Content content);
    void writeExport(const QString &path, const QString &text);
    void updateButtons();

    std::unique_ptr<TranscriptHistoryModel> m_model;
    TranscriptListModel *m_rows;
    QLineEdit *m_search;
    QPushButton *m_copy;
    QPushButton *m_export;
    QListView *m_list;
    QToolButton *m_rowDelete;
    TranscriptDetailView *m_detail;
    QPointer<QMessageBox> m_confirmation;
    QPersistentModelIndex m_hovered;
    QPersistentModelIndex m_rowDeleteIndex;
    // While rows come and go, the list moves its current row by itself; that is not the user's
    // choice, and neither is the list following the model's selection.
    bool m_followingModel = false;
    bool m_hasAppeared = false;
};
