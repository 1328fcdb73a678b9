// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Base/Error.h"
#include "Transcript.h"

#include <QList>
#include <optional>
#include <variant>

class SqliteConnection;

/// The table "Transcript", one row per record with its six attributes: how records are written
/// to and read from an SQLite database, with their cues in the table "Cue" (CueTable).
///
/// Dates are kept as ISO 8601 text in UTC with milliseconds, so that they sort as text and read
/// well in any SQLite tool.
class TranscriptTable
{
public:
    /// One stored record.
    struct Row
    {
        QUuid id;
        Transcript::Fields fields;
    };

    TranscriptTable() = delete;

    /// Creates the table in a database that has none.
    static std::optional<Error> create(SqliteConnection &connection);
    /// Creates, where it is missing, the index that lists the records newest first without
    /// reading their texts; layout 1 stores made before it lack it, and read as well without.
    static std::optional<Error> createSummaryIndex(SqliteConnection &connection);
    /// Whether the database's table has the attributes this version reads.
    static std::variant<bool, Error> hasExpectedColumns(SqliteConnection &connection);

    static std::optional<Error> insert(SqliteConnection &connection, const QUuid &id,
                                       const Transcript::Fields &fields);
    /// Writes every one of \a fields over the row of \a id, but for the first \a keptCues cues,
    /// which the store holds as they are; whether there was a row.
    static std::variant<bool, Error> update(SqliteConnection &connection, const QUuid &id,
                                            const Transcript::Fields &fields,
                                            qsizetype keptCues = 0);
    static std::optional<Error> remove(SqliteConnection &connection, const QUuid &id);

    /// Every row, newest first; rows of one moment in the order they were written, newest first.
    static std::variant<QList<Row>, Error> selectAll(SqliteConnection &connection);
    /// The summary of every row whose spoken text or translation holds each of \a words, in the
    /// order of selectAll(). Letters A to Z match in either case, other letters only as written.
    static std::variant<QList<Transcript::Summary>, Error>
    selectSummaries(SqliteConnection &connection, const QStringList &words = {});
    /// The row with \a id, if there is one.
    static std::variant<std::optional<Row>, Error> select(SqliteConnection &connection,
                                                          const QUuid &id);

    /// A record's id as both tables store it, so that a record's cues are found by it.
    static QString encodedId(const QUuid &id);
    static QString encodedTimestamp(const QDateTime &timestamp);
    static QDateTime decodedTimestamp(const QString &text);
};
