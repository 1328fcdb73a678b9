// SPDX-License-Identifier: GPL-3.0-or-later
#include "TranscriptTable.h"

#include "CueTable.h"
#include "SqliteConnection.h"

#include <QSet>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString columns =
    u"id, sourceLanguageString, targetLanguageString, sourceText, targetText, timestamp"_s;

// Binds the five fields from parameter 1 on.
void bindFields(SqliteConnection::Statement &statement, const Transcript::Fields &fields)
{
    statement.bind(1, fields.sourceLanguageString);
    statement.bind(2, fields.targetLanguageString);
    statement.bind(3, fields.sourceText);
    statement.bind(4, fields.targetText);
    statement.bind(5, TranscriptTable::encodedTimestamp(fields.timestamp));
}

TranscriptTable::Row rowOf(const SqliteConnection::Statement &statement)
{
    return {QUuid::fromString(statement.text(0)),
            {statement.text(1),
             statement.text(2),
             statement.text(3),
             statement.optionalText(4),
             TranscriptTable::decodedTimestamp(statement.text(5)),
             {}}};
}

void bindNothing(SqliteConnection::Statement &) {}

// Reads the cues of \a row into it.
std::optional<Error> readCues(SqliteConnection &connection, TranscriptTable::Row &row)
{
    std::variant<QList<CaptionCue>, Error> cues = CueTable::select(connection, row.id);
    if (Error *error = std::get_if<Error>(&cues))
        return *error;
    row.fields.cues = std::get<QList<CaptionCue>>(std::move(cues));
    return std::nullopt;
}

// \a text with LIKE's wildcards and the escape character escaped, so that it matches only itself.
QString likePattern(QString text)
{
    return text.replace(u'\\', u"\\\\"_s).replace(u'%', u"\\%"_s).replace(u'_', u"\\_"_s);
}

} // namespace

std::optional<Error> TranscriptTable::create(SqliteConnection &connection)
{
    return connection.execute(u"CREATE TABLE Transcript ("
                              "id TEXT NOT NULL, "
                              "sourceLanguageString TEXT NOT NULL, "
                              "targetLanguageString TEXT NOT NULL, "
                              "sourceText TEXT NOT NULL, "
                              "targetText TEXT, "
                              "timestamp TEXT NOT NULL)"_s);
}

std::optional<Error> TranscriptTable::createSummaryIndex(SqliteConnection &connection)
{
    // The languages ride along, so that a list of summaries never reads a row's long texts.
    return connection.execute(u"CREATE INDEX IF NOT EXISTS TranscriptNewestFirst ON Transcript "
                              "(timestamp DESC, id, sourceLanguageString, targetLanguageString)"_s);
}

std::variant<bool, Error> TranscriptTable::hasExpectedColumns(SqliteConnection &connection)
{
    QSet<QString> found;
    if (std::optional<Error> error = connection.query(
            u"SELECT name FROM pragma_table_info('Transcript')"_s, bindNothing,
            [&](const SqliteConnection::Statement &row) { found.insert(row.text(0)); }))
        return *error;
    const QStringList expected = columns.split(u", "_s);
    return found.contains(QSet<QString>(expected.begin(), expected.end()));
}

std::optional<Error> TranscriptTable::insert(SqliteConnection &connection, const QUuid &id,
                                             const Transcript::Fields &fields)
{
    if (std::optional<Error> error = connection.query(
            u"INSERT INTO Transcript ("_s + columns + u") VALUES (?6, ?1, ?2, ?3, ?4, ?5)"_s,
            [&](SqliteConnection::Statement &statement) {
                bindFields(statement, fields);
                statement.bind(6, TranscriptTable::encodedId(id));
            }))
        return error;
    return CueTable::replace(connection, id, fields.cues);
}

std::variant<bool, Error> TranscriptTable::update(SqliteConnection &connection, const QUuid &id,
                                                  const Transcript::Fields &fields,
                                                  qsizetype keptCues)
{
    if (std::optional<Error> error = connection.query(
            u"UPDATE Transcript SET sourceLanguageString = ?1, targetLanguageString = ?2, "
            "sourceText = ?3, targetText = ?4, timestamp = ?5 WHERE id = ?6"_s,
            [&](SqliteConnection::Statement &statement) {
                bindFields(statement, fields);
                statement.bind(6, TranscriptTable::encodedId(id));
            }))
        return *error;
    if (connection.changes() == 0)
        return false;
    if (std::optional<Error> error = CueTable::replace(connection, id, fields.cues, keptCues))
        return *error;
    return true;
}

std::optional<Error> TranscriptTable::remove(SqliteConnection &connection, const QUuid &id)
{
    if (std::optional<Error> error = connection.query(
            u"DELETE FROM Transcript WHERE id = ?1"_s, [&](SqliteConnection::Statement &statement) {
                statement.bind(1, TranscriptTable::encodedId(id));
            }))
        return error;
    return CueTable::remove(connection, id);
}

std::variant<QList<TranscriptTable::Row>, Error>
TranscriptTable::selectAll(SqliteConnection &connection)
{
    QList<Row> rows;
    if (std::optional<Error> error = connection.query(
            u"SELECT "_s + columns + u" FROM Transcript ORDER BY timestamp DESC, rowid DESC"_s,
            bindNothing, [&](const SqliteConnection::Statement &row) { rows << rowOf(row); }))
        return *error;
    for (Row &row : rows) {
        if (std::optional<Error> error = readCues(connection, row))
            return *error;
    }
    return rows;
}

std::variant<QList<Transcript::Summary>, Error>
TranscriptTable::selectSummaries(SqliteConnection &connection, const QStringList &words)
{
    QStringList conditions;
    for (qsizetype i = 1; i <= words.size(); ++i)
        conditions << u"(sourceText LIKE ?%1 ESCAPE '\\' OR targetText LIKE ?%1 ESCAPE '\\')"_s.arg(
            i);
    const QString where =
        conditions.isEmpty() ? QString() : u" WHERE "_s + conditions.join(u" AND "_s);
    QList<Transcript::Summary> summaries;
    if (std::optional<Error> error = connection.query(
            u"SELECT id, sourceLanguageString, targetLanguageString, timestamp FROM Transcript"_s +
                where + u" ORDER BY timestamp DESC, rowid DESC"_s,
            [&](SqliteConnection::Statement &statement) {
                for (qsizetype i = 0; i < words.size(); ++i)
                    statement.bind(int(i + 1), u'%' + likePattern(words.at(i)) + u'%');
            },
            [&](const SqliteConnection::Statement &row) {
                summaries.append({QUuid::fromString(row.text(0)), row.text(1), row.text(2),
                                  TranscriptTable::decodedTimestamp(row.text(3))});
            }))
        return *error;
    return summaries;
}

std::variant<std::optional<TranscriptTable::Row>, Error>
TranscriptTable::select(SqliteConnection &connection, const QUuid &id)
{
    std::optional<Row> found;
    if (std::optional<Error> error = connection.query(
            u"SELECT "_s + columns + u" FROM Transcript WHERE id = ?1"_s,
            [&](SqliteConnection::Statement &statement) {
                statement.bind(1, TranscriptTable::encodedId(id));
            },
            [&](const SqliteConnection::Statement &row) { found = rowOf(row); }))
        return *error;
    if (found) {
        if (std::optional<Error> error = readCues(connection, *found))
            return *error;
    }
    return found;
}

QString TranscriptTable::encodedId(const QUuid &id)
{
    return id.toString(QUuid::WithoutBraces);
}

QString TranscriptTable::encodedTimestamp(const QDateTime &timestamp)
{
    return timestamp.toUTC().toString(Qt::ISODateWithMs);
}

QDateTime TranscriptTable::decodedTimestamp(const QString &text)
{
    return QDateTime::fromString(text, Qt::ISODateWithMs);
}
