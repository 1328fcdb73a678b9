// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Models/TranscriptExport.h"

#include <QList>
#include <QString>
#include <QTextStream>
#include <optional>

class ModelContext;
class Transcript;

/// The stored transcripts, printed for a terminal: a list of all of them, or one in full.
class TranscriptListing
{
public:
    /// Reads through \a context and prints to \a output.
    TranscriptListing(ModelContext &context, QTextStream &output);

    /// Prints one line per transcript, newest first: id, time, languages and the first words.
    /// False, with the reason in \a error, when the store cannot be read.
    bool printList(QString *error);
    /// Prints the transcript whose id is, or starts with, \a id: its spoken text laid out by
    /// sentence, then its translation. False, with the reason in \a error, when no one transcript
    /// answers to \a id or the store cannot be read.
    bool printTranscript(const QString &id, QString *error);
    /// Prints the transcript that answers to \a id as the history's Export writes it in
    /// \a format with \a content. False, with the reason in \a error, as printTranscript() does,
    /// and when the transcript cannot give that export.
    bool printExport(const QString &id, TranscriptExport::Format format,
                     TranscriptExport::Content content, QString *error);

private:
    std::optional<QList<Transcript *>> fetch(QString *error);
    /// The one transcript that answers to \a id; null, with the reason in \a error, otherwise.
    const Transcript *find(const QString &id, QString *error);

    ModelContext &m_context;
    QTextStream &m_output;
};
