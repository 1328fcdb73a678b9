// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"
#include "Platform/Store/TranscriptWriter.h"

#include <QTest>

/// One stored transcript, copied out of the store.
struct StoredTranscript
{
    QUuid id;
    QString sourceLanguage;
    QString targetLanguage;
    QString sourceText;
    std::optional<QString> targetText;
    QList<CaptionCue> cues;
};

/// What the store file at \a path really holds, newest first, read through a connection of its
/// own: another context's unsaved changes cannot show here.
inline QList<StoredTranscript> storedTranscripts(const QString &path)
{
    std::variant<std::unique_ptr<ModelContainer>, Error> opened = ModelContainer::open(path);
    if (const Error *error = std::get_if<Error>(&opened)) {
        QTest::qFail(qPrintable(error->description()), __FILE__, __LINE__);
        return {};
    }
    ModelContext context(*std::get<std::unique_ptr<ModelContainer>>(opened));
    std::variant<QList<Transcript *>, Error> fetched = context.fetchTranscripts();
    if (const Error *error = std::get_if<Error>(&fetched)) {
        QTest::qFail(qPrintable(error->description()), __FILE__, __LINE__);
        return {};
    }
    QList<StoredTranscript> stored;
    for (const Transcript *transcript : std::get<QList<Transcript *>>(fetched))
        stored.append({transcript->id(), transcript->sourceLanguageString(),
                       transcript->targetLanguageString(), transcript->sourceText(),
                       transcript->targetText(), transcript->cues()});
    return stored;
}

/// What \a store's file holds once the texts of running transcripts that are on their way there
/// have been written.
inline QList<StoredTranscript> storedTranscripts(ModelContainer &store)
{
    store.transcriptWriter().finish(std::chrono::seconds(10));
    return storedTranscripts(store.path());
}
