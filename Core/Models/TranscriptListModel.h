// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Platform/Store/Transcript.h"

#include <QAbstractListModel>
#include <QHash>
#include <QLocale>

class TranscriptQuery;

/// The rows of the transcript history's list, one per record of a query, newest first: each
/// with its time in the user's locale and, when both of its languages decode, the line
/// "spoken → translated".
///
/// Follows the query row by row rather than starting over, so that a list view keeps its
/// selection and its scroll position while records come and go. Main thread.
class TranscriptListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role {
        /// The record's id.
        IdRole = Qt::UserRole + 1,
        /// The language line; none when a language does not decode.
        LanguagesRole,
    };

    explicit TranscriptListModel(const TranscriptQuery &query, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    /// The row of the record with \a id; -1 when it is not listed.
    int row(const QUuid &id) const;
    QUuid id(int row) const { return m_rows.at(row).id; }

private:
    void follow();
    std::optional<QString> languageLine(const Transcript::Summary &summary) const;
    QString nameOf(const Language &language) const;

    const TranscriptQuery &m_query;
    QList<Transcript::Summary> m_rows;
    const QLocale m_locale;
    // Each language's name is looked up once: the locale data is slow to ask.
    mutable QHash<QString, QString> m_names;
};
