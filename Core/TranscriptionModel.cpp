// SPDX-License-Identifier: GPL-3.0-or-later
#include "TranscriptionModel.h"

#include "DataManager.h"
#include "Logging.h"
#include "Platform/Store/ModelContext.h"
#include "SourceLog.h"
#include "Transcript.h"

using namespace Qt::Literals::StringLiterals;

namespace {

const SourceLog sourceLog(u"Core/TranscriptionModel"_s);

} // namespace

TranscriptionModel::TranscriptionModel(QObject *parent)
    : TranscriptionModel(DataManager::shared().modelContainer(), parent)
{}

TranscriptionModel::TranscriptionModel(ModelContainer &container, QObject *parent)
    : ErrorReportingModel(sourceLog.file(), parent)
    , m_modelContext(std::make_unique<ModelContext>(container))
{}

TranscriptionModel::~TranscriptionModel() = default;

void TranscriptionModel::startNewTranscript()
{
    if (!m_sourceLanguage || !m_targetLanguage)
        return;
    sourceLog.breadcrumb(u"Starting new transcript"_s, u"startNewTranscript()"_s, __LINE__);
    // A replaced record that heard nothing would stay behind as a blank entry in the history.
    if (m_currentTranscript && m_currentTranscript->sourceText().isEmpty())
        m_modelContext->remove(m_currentTranscript);
    auto *transcript = new Transcript(*m_sourceLanguage, *m_targetLanguage, QString(), std::nullopt,
                                      QDateTime::currentDateTime());
    m_modelContext->insert(transcript);
    m_currentTranscript = transcript;
    if (const std::optional<Error> error = m_modelContext->save())
        setErrorMessage(tr("Failed to save new transcript: ") + error->localizedDescription());
}

void TranscriptionModel::updateSourceText(const QString &text)
{
    if (text.isEmpty())
        return;
    if (!m_currentTranscript) {
        setErrorMessage(tr("No current transcript to update"));
        return;
    }
    sourceLog.breadcrumb(u"Updating source text: "_s + Logging::excerpt(text),
                         u"updateSourceText(_:)"_s, __LINE__);
    m_currentTranscript->setSourceText(text);
    if (const std::optional<Error> error = m_modelContext->save())
        setErrorMessage(tr("Failed to save transcript: ") + error->localizedDescription());
}

void TranscriptionModel::endTranscript()
{
    if (!m_currentTranscript)
        return;
    sourceLog.breadcrumb(u"Ending transcript"_s, u"endTranscript()"_s, __LINE__);
    if (m_currentTranscript->sourceText().isEmpty())
        m_modelContext->remove(m_currentTranscript);
    if (const std::optional<Error> error = m_modelContext->save())
        setErrorMessage(tr("Failed to save transcript: ") + error->localizedDescription());
    m_currentTranscript = nullptr;
}
