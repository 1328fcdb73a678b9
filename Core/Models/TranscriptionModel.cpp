// SPDX-License-Identifier: GPL-3.0-or-later
#include "TranscriptionModel.h"

#include "Base/Logging.h"
#include "Base/SourceLog.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/Transcript.h"
#include "Platform/Store/TranscriptWriter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

const SourceLog sourceLog(u"Core/TranscriptionModel"_s);

} // namespace

TranscriptionModel::TranscriptionModel(ModelContainer &container, QObject *parent)
    : ErrorReportingModel(sourceLog.file(), parent)
    , m_container(container)
{
    TranscriptWriter &writer = container.transcriptWriter();
    connect(&writer, &TranscriptWriter::failed, this, &TranscriptionModel::recordFailed);
    connect(&writer, &TranscriptWriter::written, this, &TranscriptionModel::recordWritten);
}

TranscriptionModel::~TranscriptionModel() = default;

QString TranscriptionModel::describeSaveProblem(const Error &error)
{
    switch (ModelContainer::saveFailureOf(error)) {
    case ModelContainer::SaveFailure::DiskFull:
        return tr("The transcript could not be saved: the disk is full. It is kept and saved "
                  "when space is free.");
    case ModelContainer::SaveFailure::StoreInUse:
        return tr("The transcript could not be saved: another program is using the "
                  "transcript store. It is kept and saved when the store is free.");
    // The store was refused after its check; nothing will be written to it in this run.
    case ModelContainer::SaveFailure::StoreRefused:
        return tr("The transcript cannot be saved, because the transcript store cannot be used. "
                  "It is kept and written to a text file when Voxlume quits.");
    case ModelContainer::SaveFailure::Other:
        break;
    }
    return tr("The transcript could not be saved: %1. It is kept and saved as soon as that "
              "works.")
        .arg(error.localizedDescription());
}

void TranscriptionModel::startNewTranscript()
{
    if (!m_sourceLanguage || !m_targetLanguage)
        return;
    sourceLog.breadcrumb(u"Starting new transcript"_s, u"startNewTranscript()"_s);
    // The record it replaces is the writer's business now, or was never more than empty.
    if (m_currentTranscript)
        m_currentTranscript->deleteLater();
    m_currentTranscript = new Transcript(*m_sourceLanguage, *m_targetLanguage, QString(),
                                         std::nullopt, QDateTime::currentDateTime());
    m_currentTranscript->setParent(this);
}

void TranscriptionModel::updateSourceText(const QString &text)
{
    if (text.isEmpty())
        return;
    if (!m_currentTranscript) {
        setErrorMessage(tr("No current transcript to update"));
        return;
    }
    if (text == m_currentTranscript->sourceText())
        return;
    sourceLog.breadcrumb(u"Updating source text: "_s + Logging::excerpt(text),
                         u"updateSourceText(_:)"_s);
    m_currentTranscript->setSourceText(text);
    write(*m_currentTranscript);
}

void TranscriptionModel::addCues(const QList<CaptionCue> &cues)
{
    if (!m_currentTranscript)
        return;
    m_currentTranscript->setCues(m_currentTranscript->cues() + cues);
    m_cuesUnwritten = true;
}

void TranscriptionModel::setCueTranslation(const QUuid &id, qsizetype index, const CaptionCue &cue)
{
    Transcript *transcript = nullptr;
    for (Transcript *candidate : {m_currentTranscript.get(), m_endedTranscript.get()}) {
        if (candidate && candidate->id() == id)
            transcript = candidate;
    }
    if (!transcript || index >= transcript->cues().size())
        return;
    QList<CaptionCue> cues = transcript->cues();
    cues[index].translation = cue.translation;
    transcript->setCues(cues);
    if (transcript == m_currentTranscript)
        m_cuesUnwritten = true;
    else
        write(*transcript);
}

void TranscriptionModel::endTranscript()
{
    if (!m_currentTranscript)
        return;
    sourceLog.breadcrumb(u"Ending transcript"_s, u"endTranscript()"_s);
    // The end is one of the moments at which a failed write is tried again.
    if (m_unwritten.contains(m_currentTranscript->id()) || m_cuesUnwritten)
        write(*m_currentTranscript);
    if (m_endedTranscript)
        m_endedTranscript->deleteLater();
    m_endedTranscript = std::exchange(m_currentTranscript, nullptr);
}

std::function<void(const QUuid &, qsizetype, const CaptionCue &)>
TranscriptionModel::lateCueTranslations() const
{
    if (!m_endedTranscript || m_endedTranscript->sourceText().isEmpty())
        return {};
    return [id = m_endedTranscript->id(), fields = m_endedTranscript->fields(),
            writer = QPointer(&m_container.transcriptWriter())](
               const QUuid &transcript, qsizetype index, const CaptionCue &cue) mutable {
        if (!writer || transcript != id || index >= fields.cues.size())
            return;
        fields.cues[index].translation = cue.translation;
        writer->write(id, fields);
    };
}

void TranscriptionModel::write(const Transcript &transcript)
{
    // A record reaches the store with its first text, never before.
    if (transcript.sourceText().isEmpty())
        return;
    if (&transcript == m_currentTranscript)
        m_cuesUnwritten = false;
    m_container.transcriptWriter().write(transcript.id(), transcript.fields());
}

void TranscriptionModel::recordFailed(const QUuid &id, const Error &error)
{
    const bool ours = m_currentTranscript && m_currentTranscript->id() == id;
    if (!ours && !m_unwritten.contains(id))
        return;
    m_unwritten.insert(id);
    const QString problem = describeSaveProblem(error);
    if (m_saveProblem == problem)
        return;
    // Once for each kind of failure, not for every try, which would flood the crash reporter.
    setErrorMessage(tr("Failed to save transcript: ") + error.localizedDescription());
    m_saveProblem = problem;
    Q_EMIT saveProblemChanged();
}

void TranscriptionModel::recordWritten(const QUuid &id)
{
    if (!m_unwritten.remove(id) || !m_unwritten.isEmpty())
        return;
    m_saveProblem.reset();
    Q_EMIT saveProblemChanged();
}
