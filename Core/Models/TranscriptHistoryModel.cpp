// SPDX-License-Identifier: GPL-3.0-or-later
#include "TranscriptHistoryModel.h"

#include "AppState.h"
#include "Base/SourceLog.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"
#include "Platform/Store/TranscriptQuery.h"
#include "Platform/Translation/TranslationTaskHook.h"
#include "TranscriptExport.h"
#include "TranslationModel.h"

#include <QSet>

using namespace Qt::Literals::StringLiterals;

namespace {

const SourceLog sourceLog(u"Core/TranscriptHistoryModel"_s);

QSet<QUuid> idsOf(const QList<Transcript::Summary> &summaries)
{
    QSet<QUuid> ids;
    for (const Transcript::Summary &summary : summaries)
        ids.insert(summary.id);
    return ids;
}

// The record of \a listed nearest to the one with \a id that is among \a remaining: the next
// older first, else the next newer.
std::optional<QUuid> neighbourOf(const QUuid &id, const QList<Transcript::Summary> &listed,
                                 const QSet<QUuid> &remaining)
{
    const auto found = std::find_if(listed.cbegin(), listed.cend(),
                                    [&](const Transcript::Summary &s) { return s.id == id; });
    if (found == listed.cend())
        return std::nullopt;
    for (auto older = found + 1; older != listed.cend(); ++older) {
        if (remaining.contains(older->id))
            return older->id;
    }
    for (auto newer = found; newer != listed.cbegin();) {
        if (remaining.contains((--newer)->id))
            return newer->id;
    }
    return std::nullopt;
}

std::optional<Language> languageOf(const Transcript *record, QString (Transcript::*field)() const)
{
    return record ? Language::fromRawValue((record->*field)()) : std::nullopt;
}

} // namespace

TranscriptHistoryModel::TranscriptHistoryModel(ModelContainer &store,
                                               std::shared_ptr<TranslationService> translation,
                                               QObject *parent)
    : QObject(parent)
    // A context of its own, so that the records read while browsing go with the window.
    , m_context(std::make_unique<ModelContext>(store))
    , m_query(std::make_unique<TranscriptQuery>(*m_context))
    , m_translationModel(std::make_unique<TranslationModel>(std::move(translation)))
    , m_translationHook(std::make_unique<TranslationTaskHook>(
          m_translationModel->service(),
          [this](std::shared_ptr<TranslationSession> session) {
              return translateSelected(std::move(session));
          }))
    , m_listed(m_query->transcripts())
{
    m_context->setAutosaveEnabled(true);
    connect(m_query.get(), &TranscriptQuery::transcriptsChanged, this,
            &TranscriptHistoryModel::listChanged);
    connect(m_query.get(), &TranscriptQuery::refreshed, this,
            &TranscriptHistoryModel::reloadSelected);
    connect(m_translationModel.get(), &TranslationModel::translationConfigurationChanged, this,
            [this] {
                m_translationHook->setConfiguration(m_translationModel->translationConfiguration());
            });
    connect(&AppState::shared(), &AppState::isOverlayWindowDisplayedChanged, this, [this] {
        Q_EMIT detailChanged();
        runTranslationCheck();
    });
}

TranscriptHistoryModel::~TranscriptHistoryModel()
{
    if (!m_context->hasChanges())
        return;
    if (const std::optional<Error> error = m_context->save())
        Logging::shared().logError(*error);
}

void TranscriptHistoryModel::appear()
{
    const QList<Transcript::Summary> listed = m_query->transcripts();
    setSelectedTranscriptID(listed.isEmpty() ? std::nullopt : std::optional(listed.first().id));
}

void TranscriptHistoryModel::setSelectedTranscriptID(const std::optional<QUuid> &id)
{
    if (id == m_selectedId)
        return;
    m_selectedId = id;
    loadSelected();
    m_translationModel->setSourceLanguage(
        languageOf(m_selected, &Transcript::sourceLanguageString));
    m_translationModel->setTargetLanguage(
        languageOf(m_selected, &Transcript::targetLanguageString));
    Q_EMIT selectedTranscriptChanged();
    Q_EMIT detailChanged();
    runTranslationCheck();
}

void TranscriptHistoryModel::loadSelected()
{
    disconnect(m_selectedFields);
    m_selected = nullptr;
    if (!m_selectedId)
        return;
    std::variant<Transcript *, Error> fetched = m_context->fetchTranscript(*m_selectedId);
    if (const Error *error = std::get_if<Error>(&fetched)) {
        Logging::shared().logError(*error);
        return;
    }
    m_selected = std::get<Transcript *>(fetched);
    if (m_selected)
        m_selectedFields =
            connect(m_selected, &Transcript::changed, this, &TranscriptHistoryModel::detailChanged);
}

void TranscriptHistoryModel::reloadSelected()
{
    // Fetching again takes in what was saved elsewhere into the record, such as a run that is
    // still being written; the record tells its own changes.
    const Transcript *before = m_selected;
    loadSelected();
    if (m_selected != before)
        Q_EMIT detailChanged();
}

void TranscriptHistoryModel::listChanged()
{
    const QList<Transcript::Summary> previous = std::exchange(m_listed, m_query->transcripts());
    if (!m_selectedId)
        return;
    const QSet<QUuid> listed = idsOf(m_listed);
    if (listed.contains(*m_selectedId))
        return;
    std::optional<QUuid> next = neighbourOf(*m_selectedId, previous, listed);
    if (!next && !m_listed.isEmpty())
        next = m_listed.first().id;
    setSelectedTranscriptID(next);
}

TranscriptHistoryModel::TargetPane TranscriptHistoryModel::targetPane() const
{
    if (!m_selected)
        return TargetPane::Empty;
    if (AppState::shared().isOverlayWindowDisplayed() && !m_selected->targetText())
        return TargetPane::WaitingForSubtitles;
    if (m_selected->formattedSourceText().isEmpty())
        return TargetPane::Empty;
    if (m_selected->targetText())
        return TargetPane::Translation;
    return TargetPane::Translating;
}

QString TranscriptHistoryModel::plainText() const
{
    if (!m_selected)
        return {};
    // As the plain-text export has it, without the file's last line end.
    return TranscriptExport::text(*m_selected, TranscriptExport::Format::PlainText,
                                  TranscriptExport::Content::Both)
        .chopped(1);
}

void TranscriptHistoryModel::setSearchText(const QString &text)
{
    m_searchText = text;
    m_query->setSearchWords(text.simplified().split(u' ', Qt::SkipEmptyParts));
}

void TranscriptHistoryModel::runTranslationCheck()
{
    if (m_selected && !AppState::shared().isOverlayWindowDisplayed() && !m_selected->targetText())
        m_translationModel->triggerTranslation();
}

QCoro::Task<> TranscriptHistoryModel::translateSelected(std::shared_ptr<TranslationSession> session)
{
    const QPointer<TranscriptHistoryModel> self(this);
    const QPointer<Transcript> record = m_selected;
    if (!record || AppState::shared().isOverlayWindowDisplayed() || record->targetText()) {
        m_translationModel->setDidTriggerTranslation(false);
        co_return;
    }
    const std::optional<QString> translation =
        co_await m_translationModel->translate(record->sourceText(), std::move(session));
    // A record deleted meanwhile is gone, and its translation with it. A record deleted by
    // another process is still here, and writing it changes no row.
    if (!self || !record || !translation)
        co_return;
    sourceLog.breadcrumb(u"Storing the translation of a transcript"_s);
    record->setTargetText(translation);
}

void TranscriptHistoryModel::requestDeletion(const QUuid &id)
{
    m_transcriptForDeletion = id;
    setPresentingConfirmation(true);
}

void TranscriptHistoryModel::requestDeletionOfSelected()
{
    if (m_selectedId)
        requestDeletion(*m_selectedId);
}

void TranscriptHistoryModel::confirmDeletion()
{
    const std::optional<QUuid> id = std::exchange(m_transcriptForDeletion, std::nullopt);
    if (id) {
        if (id == m_selectedId) {
            QSet<QUuid> remaining = idsOf(m_listed);
            remaining.remove(*id);
            setSelectedTranscriptID(neighbourOf(*id, m_listed, remaining));
        }
        remove(*id);
    }
    setPresentingConfirmation(false);
}

void TranscriptHistoryModel::cancelDeletion()
{
    m_transcriptForDeletion.reset();
    setPresentingConfirmation(false);
}

void TranscriptHistoryModel::remove(const QUuid &id)
{
    std::variant<Transcript *, Error> fetched = m_context->fetchTranscript(id);
    if (const Error *error = std::get_if<Error>(&fetched)) {
        Logging::shared().logError(*error);
        return;
    }
    // Already gone when another process deleted it first.
    if (Transcript *record = std::get<Transcript *>(fetched)) {
        sourceLog.breadcrumb(u"Deleting a transcript"_s);
        m_context->remove(record);
    }
}

void TranscriptHistoryModel::setPresentingConfirmation(bool presenting)
{
    if (m_shouldPresentDeleteConfirmation == presenting)
        return;
    m_shouldPresentDeleteConfirmation = presenting;
    Q_EMIT shouldPresentDeleteConfirmationChanged();
}
