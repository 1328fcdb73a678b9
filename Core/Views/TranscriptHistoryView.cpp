// SPDX-License-Identifier: GPL-3.0-or-later
#include "TranscriptHistoryView.h"

#include "Base/WholeFileWrite.h"
#include "Models/TranscriptHistoryModel.h"
#include "Models/TranscriptListModel.h"
#include "TranscriptDetailView.h"
#include "TranscriptExportDialog.h"
#include "TranscriptRowDelegate.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QSplitter>
#include <QStandardPaths>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int listWidth = 200;
constexpr int detailWidth = 400;
constexpr int buttonMargin = 4;

} // namespace

void TranscriptHistoryView::showStoreUnavailable(const QString &reason)
{
    auto *notice = new QLabel(tr("The transcript history cannot be opened: %1 Transcripts of this "
                                 "session are kept only until Voxlume quits.")
                                  .arg(reason),
                              this);
    notice->setObjectName(u"storeUnavailable"_s);
    notice->setWordWrap(true);
    notice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    notice->setAccessibleName(notice->text());
    static_cast<QVBoxLayout *>(layout())->insertWidget(0, notice);
}

TranscriptHistoryView::TranscriptHistoryView(std::unique_ptr<TranscriptHistoryModel> model,
                                             QWidget *parent)
    : QWidget(parent)
    , m_model(std::move(model))
    , m_rows(new TranscriptListModel(m_model->query(), this))
{
    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(makeList());
    m_detail = new TranscriptDetailView(*m_model, splitter);
    splitter->addWidget(m_detail);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({listWidth, detailWidth});

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(makeToolbar());
    layout->addWidget(splitter, 1);
    addShortcuts();

    connect(m_model.get(), &TranscriptHistoryModel::selectedTranscriptChanged, this,
            &TranscriptHistoryView::showSelection);
    connect(m_model.get(), &TranscriptHistoryModel::selectedTranscriptChanged, this,
            &TranscriptHistoryView::updateButtons);
    connect(m_model.get(), &TranscriptHistoryModel::shouldPresentDeleteConfirmationChanged, this,
            &TranscriptHistoryView::presentDeleteConfirmation);
    updateButtons();
}

TranscriptHistoryView::~TranscriptHistoryView() = default;

QWidget *TranscriptHistoryView::makeToolbar()
{
    auto *toolbar = new QWidget(this);
    m_search = new QLineEdit(toolbar);
    m_search->setPlaceholderText(tr("Search"));
    m_search->setAccessibleName(tr("Search transcripts"));
    m_search->setClearButtonEnabled(true);
    connect(m_search, &QLineEdit::textChanged, m_model.get(),
            &TranscriptHistoryModel::setSearchText);
    m_copy = new QPushButton(tr("Copy"), toolbar);
    m_copy->setToolTip(tr("Copy the spoken text and its translation"));
    connect(m_copy, &QPushButton::clicked, this, &TranscriptHistoryView::copyTranscript);
    m_export = new QPushButton(tr("Export…"), toolbar);
    m_export->setToolTip(tr("Save the transcript as a text file or as subtitles with times"));
    connect(m_export, &QPushButton::clicked, this, &TranscriptHistoryView::exportTranscript);

    auto *layout = new QHBoxLayout(toolbar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_search, 1);
    layout->addWidget(m_copy);
    layout->addWidget(m_export);
    return toolbar;
}

QListView *TranscriptHistoryView::makeList()
{
    m_list = new QListView(this);
    m_list->setAccessibleName(tr("Transcripts"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setUniformItemSizes(true);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->viewport()->setMouseTracking(true);
    m_list->viewport()->installEventFilter(this);

    m_rowDelete = new QToolButton(m_list->viewport());
    m_rowDelete->setIcon(
        QIcon::fromTheme(u"user-trash"_s, style()->standardIcon(QStyle::SP_TrashIcon)));
    m_rowDelete->setAutoRaise(true);
    m_rowDelete->setAccessibleName(tr("Delete"));
    m_rowDelete->setToolTip(tr("Delete"));
    m_rowDelete->setFocusPolicy(Qt::NoFocus);
    m_rowDelete->hide();
    connect(m_rowDelete, &QToolButton::clicked, this, [this] {
        if (m_rowDeleteIndex.isValid())
            m_model->requestDeletion(m_rows->id(m_rowDeleteIndex.row()));
    });
    auto *delegate = new TranscriptRowDelegate(m_list);
    delegate->setTrailingSpace(m_rowDelete->sizeHint().width() + buttonMargin);
    m_list->setItemDelegate(delegate);

    // Before the list takes the rows: its selection must hear of a change after these do.
    for (const auto about :
         {&QAbstractItemModel::rowsAboutToBeInserted, &QAbstractItemModel::rowsAboutToBeRemoved})
        connect(m_rows, about, this, [this] { m_followingModel = true; });
    for (const auto done : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(m_rows, done, this, [this] {
            m_followingModel = false;
            showSelection();
            // Once the list has laid out its rows anew.
            QMetaObject::invokeMethod(this, &TranscriptHistoryView::placeRowDeleteButton,
                                      Qt::QueuedConnection);
        });
    m_list->setModel(m_rows);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TranscriptHistoryView::listCurrentChanged);
    connect(m_list->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &TranscriptHistoryView::placeRowDeleteButton);
    connect(m_list, &QListView::customContextMenuRequested, this,
            &TranscriptHistoryView::showContextMenu);
    return m_list;
}

void TranscriptHistoryView::addShortcuts()
{
    auto *deleteSelected = new QAction(tr("Delete"), m_list);
    deleteSelected->setShortcut(QKeySequence::Delete);
    deleteSelected->setShortcutContext(Qt::WidgetShortcut);
    connect(deleteSelected, &QAction::triggered, m_model.get(),
            &TranscriptHistoryModel::requestDeletionOfSelected);
    m_list->addAction(deleteSelected);

    auto *copy = new QAction(tr("Copy"), this);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(copy, &QAction::triggered, this, &TranscriptHistoryView::copyTranscript);
    addAction(copy);

    auto *find = new QAction(tr("Search"), this);
    find->setShortcut(QKeySequence::Find);
    find->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(find, &QAction::triggered, this, [this] {
        m_search->setFocus(Qt::ShortcutFocusReason);
        m_search->selectAll();
    });
    addAction(find);
}

void TranscriptHistoryView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!std::exchange(m_hasAppeared, true))
        m_model->appear();
}

void TranscriptHistoryView::showSelection()
{
    const QScopedValueRollback following(m_followingModel, true);
    const std::optional<QUuid> id = m_model->selectedTranscriptID();
    const int row = id ? m_rows->row(*id) : -1;
    if (row < 0) {
        m_list->selectionModel()->clear();
    } else {
        const QModelIndex index = m_rows->index(row);
        m_list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        m_list->scrollTo(index);
    }
    placeRowDeleteButton();
}

void TranscriptHistoryView::listCurrentChanged(const QModelIndex &current)
{
    if (!m_followingModel && current.isValid())
        m_model->setSelectedTranscriptID(m_rows->id(current.row()));
    placeRowDeleteButton();
}

bool TranscriptHistoryView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_list->viewport())
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseMove:
        m_hovered = m_list->indexAt(static_cast<QMouseEvent *>(event)->position().toPoint());
        placeRowDeleteButton();
        break;
    case QEvent::Leave:
        m_hovered = QPersistentModelIndex();
        placeRowDeleteButton();
        break;
    case QEvent::Resize:
        placeRowDeleteButton();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void TranscriptHistoryView::placeRowDeleteButton()
{
    m_rowDeleteIndex =
        m_hovered.isValid() ? m_hovered : QPersistentModelIndex(m_list->currentIndex());
    const QRect row = m_rowDeleteIndex.isValid() ? m_list->visualRect(m_rowDeleteIndex) : QRect();
    if (!row.intersects(m_list->viewport()->rect())) {
        m_rowDelete->hide();
        return;
    }
    const QSize size = m_rowDelete->sizeHint();
    m_rowDelete->setGeometry(row.right() - buttonMargin - size.width(),
                             row.center().y() - size.height() / 2, size.width(), size.height());
    m_rowDelete->show();
}

void TranscriptHistoryView::showContextMenu(const QPoint &position)
{
    const QModelIndex index = m_list->indexAt(position);
    if (!index.isValid())
        return;
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QUuid id = m_rows->id(index.row());
    menu->addAction(tr("Delete"), m_model.get(), [this, id] { m_model->requestDeletion(id); });
    menu->popup(m_list->viewport()->mapToGlobal(position));
}

void TranscriptHistoryView::presentDeleteConfirmation()
{
    if (!m_model->shouldPresentDeleteConfirmation()) {
        if (m_confirmation)
            m_confirmation->close();
        return;
    }
    if (m_confirmation)
        return;
    m_confirmation = new QMessageBox(QMessageBox::Warning, QString(),
                                     tr("Are you sure you want to delete this transcript?"),
                                     QMessageBox::Cancel, this);
    m_confirmation->setAttribute(Qt::WA_DeleteOnClose);
    QPushButton *remove = m_confirmation->addButton(tr("Delete"), QMessageBox::DestructiveRole);
    m_confirmation->setDefaultButton(QMessageBox::Cancel);
    connect(m_confirmation, &QDialog::finished, this, [this, remove] {
        if (m_confirmation && m_confirmation->clickedButton() == remove)
            m_model->confirmDeletion();
        else
            m_model->cancelDeletion();
    });
    m_confirmation->open();
}

void TranscriptHistoryView::copyTranscript()
{
    // Ctrl+C in a text pane copies what the reader selected there.
    if (auto *pane = qobject_cast<QPlainTextEdit *>(QApplication::focusWidget());
        pane && isAncestorOf(pane) && pane->textCursor().hasSelection()) {
        pane->copy();
        return;
    }
    if (m_model->selectedTranscript())
        QApplication::clipboard()->setText(m_model->plainText());
}

void TranscriptHistoryView::exportTranscript()
{
    const Transcript *record = m_model->selectedTranscript();
    if (!record)
        return;
    auto *choice = new TranscriptExportDialog(*record, this);
    choice->setAttribute(Qt::WA_DeleteOnClose);
    connect(choice, &QDialog::accepted, this, [this, choice, record = QPointer(record)] {
        if (record)
            chooseExportFile(*record, choice->format(), choice->content());
    });
    choice->open();
}

void TranscriptHistoryView::chooseExportFile(const Transcript &record,
                                             TranscriptExport::Format format,
                                             TranscriptExport::Content content)
{
    const QString suffix = TranscriptExport::suffix(format);
    auto *dialog = new QFileDialog(this, tr("Export Transcript"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    const QString filter = format == TranscriptExport::Format::PlainText ? tr("Text files (*.txt)")
                           : format == TranscriptExport::Format::SubRip
                               ? tr("SubRip subtitles (*.srt)")
                               : tr("WebVTT subtitles (*.vtt)");
    dialog->setNameFilter(filter);
    dialog->setDefaultSuffix(suffix);
    dialog->setDirectory(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    dialog->selectFile(
        tr("Transcript %1.%2")
            .arg(record.timestamp().toLocalTime().toString(u"yyyy-MM-dd HH-mm"_s), suffix));
    // Taken now: the selection may change while the dialog is open.
    const QString text = TranscriptExport::text(record, format, content);
    connect(dialog, &QFileDialog::fileSelected, this,
            [this, text](const QString &path) { writeExport(path, text); });
    dialog->open();
}

void TranscriptHistoryView::writeExport(const QString &path, const QString &text)
{
    const std::optional<QString> failure = writeWholeFile(path, text.toUtf8());
    if (!failure)
        return;
    auto *box = new QMessageBox(QMessageBox::Warning, QString(),
                                tr("The transcript could not be exported."), QMessageBox::Ok, this);
    box->setInformativeText(*failure);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void TranscriptHistoryView::updateButtons()
{
    const bool selected = m_model->selectedTranscript() != nullptr;
    m_copy->setEnabled(selected);
    m_export->setEnabled(selected);
}
