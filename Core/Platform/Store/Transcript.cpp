// SPDX-License-Identifier: GPL-3.0-or-later
#include "Transcript.h"

#include "Platform/Language/SentenceTokenizer.h"

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

Transcript::Transcript(const Language &sourceLanguage, const Language &targetLanguage,
                       QString sourceText, std::optional<QString> targetText, QDateTime timestamp)
    : Transcript(QUuid::createUuid(), {sourceLanguage.rawValue(),
                                       targetLanguage.rawValue(),
                                       std::move(sourceText),
                                       std::move(targetText),
                                       std::move(timestamp),
                                       {}})
{}

Transcript::Transcript(const QUuid &id, Fields fields)
    : m_id(id)
    , m_fields(std::move(fields))
{}

template <typename Value>
void Transcript::write(Value Fields::*field, const Value &value)
{
    if (m_fields.*field == value)
        return;
    m_fields.*field = value;
    if (m_context)
        m_context->recordChange(this);
    Q_EMIT changed();
}

void Transcript::setSourceLanguageString(const QString &language)
{
    write(&Fields::sourceLanguageString, language);
}

void Transcript::setTargetLanguageString(const QString &language)
{
    write(&Fields::targetLanguageString, language);
}

void Transcript::setSourceText(const QString &text)
{
    write(&Fields::sourceText, text);
}

void Transcript::setTargetText(const std::optional<QString> &text)
{
    write(&Fields::targetText, text);
}

void Transcript::setTimestamp(const QDateTime &timestamp)
{
    write(&Fields::timestamp, timestamp);
}

void Transcript::setCues(const QList<CaptionCue> &cues)
{
    write(&Fields::cues, cues);
}

void Transcript::assignStored(const Fields &fields)
{
    if (m_fields == fields)
        return;
    m_fields = fields;
    Q_EMIT changed();
}

Transcript::Summary Transcript::summary() const
{
    return {m_id, m_fields.sourceLanguageString, m_fields.targetLanguageString, m_fields.timestamp};
}

bool Transcript::containsEvery(const QStringList &words) const
{
    const QString translation = m_fields.targetText.value_or(QString());
    return std::all_of(words.cbegin(), words.cend(), [&](const QString &word) {
        return m_fields.sourceText.contains(word, Qt::CaseInsensitive) ||
               translation.contains(word, Qt::CaseInsensitive);
    });
}

QString Transcript::formattedSourceText() const
{
    return formatted(m_fields.sourceText, m_fields.sourceLanguageString);
}

std::optional<QString> Transcript::formattedTargetText() const
{
    if (!m_fields.targetText)
        return std::nullopt;
    return formatted(*m_fields.targetText, m_fields.targetLanguageString);
}

QString Transcript::formatted(const QString &text, const QString &languageString)
{
    const std::optional<Language> language = Language::fromRawValue(languageString);
    if (!language)
        return text;
    QString result;
    for (const QString &sentence : SentenceTokenizer(*language).sentences(text))
        result += sentence + u"\n\n"_s;
    return result.trimmed();
}
