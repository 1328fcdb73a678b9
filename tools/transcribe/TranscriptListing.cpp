// SPDX-License-Identifier: GPL-3.0-or-later
#include "TranscriptListing.h"

#include "Platform/Store/ModelContext.h"

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qsizetype firstWordsLength = 60;

QString localTime(const QDateTime &timestamp, const QString &format)
{
    return timestamp.isValid() ? timestamp.toLocalTime().toString(format) : u"(no time)"_s;
}

QString languages(const Transcript &transcript)
{
    return transcript.sourceLanguageString() + u" → "_s + transcript.targetLanguageString();
}

// The start of the spoken text on one line, cut at a word.
QString firstWords(const QString &text)
{
    const QString line = text.simplified();
    if (line.isEmpty())
        return u"(nothing heard)"_s;
    if (line.size() <= firstWordsLength)
        return line;
    const qsizetype cut = line.lastIndexOf(u' ', firstWordsLength);
    return line.left(cut > 0 ? cut : firstWordsLength) + u'…';
}

} // namespace

TranscriptListing::TranscriptListing(ModelContext &context, QTextStream &output)
    : m_context(context)
    , m_output(output)
{}

std::optional<QList<Transcript *>> TranscriptListing::fetch(QString *error)
{
    std::variant<QList<Transcript *>, Error> transcripts = m_context.fetchTranscripts();
    if (const Error *failure = std::get_if<Error>(&transcripts)) {
        *error = failure->localizedDescription();
        return std::nullopt;
    }
    return std::get<QList<Transcript *>>(std::move(transcripts));
}

bool TranscriptListing::printList(QString *error)
{
    const std::optional<QList<Transcript *>> transcripts = fetch(error);
    if (!transcripts)
        return false;
    for (const Transcript *transcript : *transcripts) {
        m_output << transcript->id().toString(QUuid::WithoutBraces) << u"  "_s
                 << localTime(transcript->timestamp(), u"yyyy-MM-dd HH:mm"_s) << u"  "_s
                 << languages(*transcript) << u"  "_s << firstWords(transcript->sourceText())
                 << Qt::endl;
    }
    return true;
}

const Transcript *TranscriptListing::find(const QString &id, QString *error)
{
    const std::optional<QList<Transcript *>> transcripts = fetch(error);
    if (!transcripts)
        return nullptr;
    QList<const Transcript *> matches;
    for (const Transcript *transcript : *transcripts) {
        if (transcript->id().toString(QUuid::WithoutBraces).startsWith(id.toLower()))
            matches << transcript;
    }
    if (id.isEmpty()) {
        *error = u"give the id of a stored transcript, as --list prints it"_s;
        return nullptr;
    }
    if (matches.size() != 1) {
        *error = matches.isEmpty()
                     ? u"no stored transcript has the id "_s + id
                     : u"%1 transcripts have ids that start with %2; give more of the id"_s
                           .arg(matches.size())
                           .arg(id);
        return nullptr;
    }
    return matches.first();
}

bool TranscriptListing::printExport(const QString &id, TranscriptExport::Format format,
                                    TranscriptExport::Content content, QString *error)
{
    const Transcript *transcript = find(id, error);
    if (!transcript)
        return false;
    if (const std::optional<QString> reason =
            TranscriptExport::unavailableReason(*transcript, format, content)) {
        *error = *reason;
        return false;
    }
    m_output << TranscriptExport::text(*transcript, format, content);
    return true;
}

bool TranscriptListing::printTranscript(const QString &id, QString *error)
{
    const Transcript *found = find(id, error);
    if (!found)
        return false;
    const Transcript &transcript = *found;
    m_output << transcript.id().toString(QUuid::WithoutBraces) << Qt::endl
             << localTime(transcript.timestamp(), u"yyyy-MM-dd HH:mm:ss"_s) << u"  "_s
             << languages(transcript) << Qt::endl
             << Qt::endl
             << transcript.formattedSourceText() << Qt::endl;
    if (const std::optional<QString> translation = transcript.formattedTargetText())
        m_output << Qt::endl
                 << u"Translation ("_s << transcript.targetLanguageString() << u"):"_s << Qt::endl
                 << Qt::endl
                 << *translation << Qt::endl;
    return true;
}
