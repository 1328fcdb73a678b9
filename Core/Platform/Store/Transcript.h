// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Base/Language.h"
#include "CaptionCue.h"

#include <QDateTime>
#include <QObject>
#include <QUuid>
#include <optional>

/// The stored record of one subtitle run: its two languages, the assembled spoken text, a
/// translation of it once one is made, and when the run began.
///
/// Records are told apart by id() alone. Every write notifies changed() and becomes a change of the
/// context that holds the record, written at that context's next save. Main thread.
class Transcript : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QUuid id READ id CONSTANT)
    Q_PROPERTY(QString sourceLanguageString READ sourceLanguageString WRITE setSourceLanguageString
                   NOTIFY changed)
    Q_PROPERTY(QString targetLanguageString READ targetLanguageString WRITE setTargetLanguageString
                   NOTIFY changed)
    Q_PROPERTY(QString sourceText READ sourceText WRITE setSourceText NOTIFY changed)
    Q_PROPERTY(QDateTime timestamp READ timestamp WRITE setTimestamp NOTIFY changed)

public:
    /// What holds a record: its context, which hears of every write so as to save it.
    class Holder
    {
    protected:
        ~Holder() = default;

    private:
        friend class Transcript;
        virtual void recordChange(Transcript *transcript) = 0;
    };

    /// A new record with a fresh random id; the languages are kept as their raw values.
    Transcript(const Language &sourceLanguage, const Language &targetLanguage, QString sourceText,
               std::optional<QString> targetText, QDateTime timestamp);

    QUuid id() const { return m_id; }

    /// The raw value of the spoken language.
    QString sourceLanguageString() const { return m_fields.sourceLanguageString; }
    void setSourceLanguageString(const QString &language);
    /// The raw value of the translation language.
    QString targetLanguageString() const { return m_fields.targetLanguageString; }
    void setTargetLanguageString(const QString &language);
    QString sourceText() const { return m_fields.sourceText; }
    void setSourceText(const QString &text);
    /// A translation of sourceText(); none until one is stored.
    std::optional<QString> targetText() const { return m_fields.targetText; }
    void setTargetText(const std::optional<QString> &text);
    QDateTime timestamp() const { return m_fields.timestamp; }
    void setTimestamp(const QDateTime &timestamp);
    /// The run's timed cues, in time order; none for a run kept before cues were.
    QList<CaptionCue> cues() const { return m_fields.cues; }
    void setCues(const QList<CaptionCue> &cues);

    /// The spoken text, one sentence per paragraph.
    QString formattedSourceText() const;
    /// The translation, one sentence per paragraph; none without a translation.
    std::optional<QString> formattedTargetText() const;

    /// \a text laid out one sentence per paragraph in the language whose raw value is
    /// \a languageString; \a text unchanged when that is no language.
    static QString formatted(const QString &text, const QString &languageString);

    /// The values as the store holds them.
    struct Fields
    {
        QString sourceLanguageString;
        QString targetLanguageString;
        QString sourceText;
        std::optional<QString> targetText;
        QDateTime timestamp;
        /// Kept in a table of their own.
        QList<CaptionCue> cues;

        friend bool operator==(const Fields &, const Fields &) = default;
    };

    /// What a list shows of a record: everything but its texts, which may be long.
    struct Summary
    {
        QUuid id;
        QString sourceLanguageString;
        QString targetLanguageString;
        QDateTime timestamp;

        friend bool operator==(const Summary &, const Summary &) = default;
    };
    Summary summary() const;
    /// Every field, as the store holds it.
    const Fields &fields() const { return m_fields; }

    /// Whether the spoken text or the translation holds each of \a words, letters of either case.
    bool containsEvery(const QStringList &words) const;

Q_SIGNALS:
    /// A field was written.
    void changed();

private:
    friend class ModelContext;
    friend class TranscriptTable;

    /// A record read from the store.
    Transcript(const QUuid &id, Fields fields);

    /// Takes the stored values without making a change of the context.
    void assignStored(const Fields &fields);
    template <typename Value>
    void write(Value Fields::*field, const Value &value);

    QUuid m_id;
    Fields m_fields;
    Holder *m_context = nullptr;
};
