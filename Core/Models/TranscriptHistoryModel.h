// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Platform/Store/Transcript.h"

#include <QObject>
#include <QPointer>
#include <memory>
#include <optional>
#include <qcoro/qcorotask.h>

class ModelContainer;
class ModelContext;
class TranscriptQuery;
class TranslationModel;
class TranslationService;
class TranslationSession;
class TranslationTaskHook;

/// What the transcript history window shows and does: the stored transcripts newest first,
/// narrowed by a search; the selected one with its texts; its translation, made when it has none
/// and no subtitles run; and deletion once the user has confirmed it.
///
/// The list follows the store, also when another process saves into it. The selection stays on
/// its record, and when that record goes it moves to the next older one, else to the next newer
/// one, else to none, so no deleted record is ever shown. Main thread.
class TranscriptHistoryModel : public QObject
{
    Q_OBJECT

public:
    /// What the translation pane shows for the selected record: the first case that applies.
    enum class TargetPane {
        /// Subtitles run and the record has no translation yet.
        WaitingForSubtitles,
        /// The spoken text is empty, so there is nothing to translate.
        Empty,
        /// The stored translation.
        Translation,
        /// The translation is under way.
        Translating,
    };
    Q_ENUM(TargetPane)

    /// A history of \a store, translated through \a translation.
    TranscriptHistoryModel(ModelContainer &store, std::shared_ptr<TranslationService> translation,
                           QObject *parent = nullptr);
    /// Writes what is not saved yet, such as a deletion confirmed just before.
    ~TranscriptHistoryModel() override;

    /// The listed records' summaries, newest first.
    const TranscriptQuery &query() const { return *m_query; }
    TranslationModel *translationModel() const { return m_translationModel.get(); }

    /// The window appears: the newest record is selected, or none.
    void appear();

    std::optional<QUuid> selectedTranscriptID() const { return m_selectedId; }
    /// Selects the record with \a id, or none, and loads its texts; the record is translated when
    /// it has no translation and no subtitles run.
    void setSelectedTranscriptID(const std::optional<QUuid> &id);
    /// The selected record, with its texts; null without one.
    Transcript *selectedTranscript() const { return m_selected; }
    /// What the translation pane shows of the selected record.
    TargetPane targetPane() const;
    /// The selected record's spoken text and, under it, its translation when it has one.
    QString plainText() const;

    QString searchText() const { return m_searchText; }
    /// Lists only the records whose spoken text or translation holds each word of \a text.
    void setSearchText(const QString &text);

    /// Asks the user to confirm the deletion of the record with \a id.
    void requestDeletion(const QUuid &id);
    /// Asks for the deletion of the selected record; nothing without one.
    void requestDeletionOfSelected();
    std::optional<QUuid> transcriptForDeletion() const { return m_transcriptForDeletion; }
    bool shouldPresentDeleteConfirmation() const { return m_shouldPresentDeleteConfirmation; }
    /// Deletes the record that awaits confirmation, moving the selection off it first.
    void confirmDeletion();
    /// Keeps the record that awaits confirmation.
    void cancelDeletion();

Q_SIGNALS:
    void selectedTranscriptChanged();
    /// The selected record's fields, or whether subtitles run, changed.
    void detailChanged();
    void shouldPresentDeleteConfirmationChanged();

private:
    void listChanged();
    void loadSelected();
    void reloadSelected();
    void runTranslationCheck();
    QCoro::Task<> translateSelected(std::shared_ptr<TranslationSession> session);
    void remove(const QUuid &id);
    void setPresentingConfirmation(bool presenting);

    std::unique_ptr<ModelContext> m_context;
    std::unique_ptr<TranscriptQuery> m_query;
    std::unique_ptr<TranslationModel> m_translationModel;
    // Last, so that it goes first: a running translation is cancelled before what it uses goes.
    std::unique_ptr<TranslationTaskHook> m_translationHook;
    // The list as last seen, to find the neighbours of a record that has gone from it.
    QList<Transcript::Summary> m_listed;
    std::optional<QUuid> m_selectedId;
    QPointer<Transcript> m_selected;
    QMetaObject::Connection m_selectedFields;
    QString m_searchText;
    std::optional<QUuid> m_transcriptForDeletion;
    bool m_shouldPresentDeleteConfirmation = false;
};
