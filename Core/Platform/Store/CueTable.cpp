// SPDX-License-Identifier: GPL-3.0-or-later
#include "CueTable.h"

#include "SqliteConnection.h"
#include "TranscriptTable.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// Whether the store has the table: one that no version with cues has written to yet has not.
std::variant<bool, Error> exists(SqliteConnection &connection)
{
    std::variant<QString, Error> found = connection.queryText(
        u"SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name = 'Cue'"_s);
    if (Error *error = std::get_if<Error>(&found))
        return *error;
    return std::get<QString>(found) == u"1"_s;
}

} // namespace

std::optional<Error> CueTable::create(SqliteConnection &connection)
{
    return connection.execute(u"CREATE TABLE IF NOT EXISTS Cue ("
                              "transcript TEXT NOT NULL, "
                              "position INTEGER NOT NULL, "
                              "startSeconds REAL NOT NULL, "
                              "endSeconds REAL NOT NULL, "
                              "text TEXT NOT NULL, "
                              "translation TEXT, "
                              "PRIMARY KEY (transcript, position)) WITHOUT ROWID"_s);
}

std::optional<Error> CueTable::replace(SqliteConnection &connection, const QUuid &id,
                                       const QList<CaptionCue> &cues, qsizetype kept)
{
    const QString transcript = TranscriptTable::encodedId(id);
    if (std::optional<Error> error =
            connection.query(u"DELETE FROM Cue WHERE transcript = ?1 AND position >= ?2"_s,
                             [&](SqliteConnection::Statement &statement) {
                                 statement.bind(1, transcript);
                                 statement.bind(2, qint64(cues.size()));
                             }))
        return error;
    for (qsizetype i = kept; i < cues.size(); ++i) {
        const CaptionCue &cue = cues.at(i);
        if (std::optional<Error> error = connection.query(
                u"INSERT OR REPLACE INTO Cue (transcript, position, startSeconds, endSeconds, "
                "text, translation) VALUES (?1, ?2, ?3, ?4, ?5, ?6)"_s,
                [&](SqliteConnection::Statement &statement) {
                    statement.bind(1, transcript);
                    statement.bind(2, qint64(i));
                    statement.bind(3, cue.start);
                    statement.bind(4, cue.end);
                    statement.bind(5, cue.text);
                    statement.bind(6, cue.translation);
                }))
            return error;
    }
    return std::nullopt;
}

std::variant<QList<CaptionCue>, Error> CueTable::select(SqliteConnection &connection,
                                                        const QUuid &id)
{
    std::variant<bool, Error> present = exists(connection);
    if (Error *error = std::get_if<Error>(&present))
        return *error;
    QList<CaptionCue> cues;
    if (!std::get<bool>(present))
        return cues;
    if (std::optional<Error> error = connection.query(
            u"SELECT startSeconds, endSeconds, text, translation FROM Cue WHERE transcript = ?1 "
            "ORDER BY position"_s,
            [&](SqliteConnection::Statement &statement) {
                statement.bind(1, TranscriptTable::encodedId(id));
            },
            [&](const SqliteConnection::Statement &row) {
                cues.append({row.real(0), row.real(1), row.text(2), row.optionalText(3)});
            }))
        return *error;
    return cues;
}

std::optional<Error> CueTable::remove(SqliteConnection &connection, const QUuid &id)
{
    return connection.query(u"DELETE FROM Cue WHERE transcript = ?1"_s,
                            [&](SqliteConnection::Statement &statement) {
                                statement.bind(1, TranscriptTable::encodedId(id));
                            });
}
