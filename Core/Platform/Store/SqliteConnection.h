// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Base/Error.h"

#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <variant>

struct sqlite3;
struct sqlite3_stmt;

/// One connection to an SQLite database, with its prepared statements kept for reuse.
///
/// Failures come back as errors of the "SQLite" domain whose code is SQLite's extended result
/// code and whose description is SQLite's own message. Used from one thread at a time.
class SqliteConnection
{
public:
    /// A prepared statement, reset when this handle goes; bind values, then step through rows.
    class Statement
    {
    public:
        ~Statement();
        Statement(Statement &&other) noexcept;
        Statement &operator=(Statement &&) = delete;

        /// Binds \a value to the parameter at \a index, counting from 1; none binds NULL.
        void bind(int index, const std::optional<QString> &value);
        void bind(int index, qint64 value);
        void bind(int index, double value);

        /// Moves to the next row: true on a row, false when done, an error otherwise.
        std::variant<bool, Error> step();
        /// Runs a statement that returns no rows.
        std::optional<Error> run();

        QString text(int column) const;
        std::optional<QString> optionalText(int column) const;
        qint64 integer(int column) const;
        double real(int column) const;

    private:
        friend class SqliteConnection;
        Statement(SqliteConnection &connection, sqlite3_stmt *statement);

        SqliteConnection *m_connection;
        sqlite3_stmt *m_statement;
    };

    /// Opens \a path with SQLite's open \a flags ("file::memory:" style names are not used).
    static std::variant<std::unique_ptr<SqliteConnection>, Error> open(const QString &path,
                                                                       int flags);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection &) = delete;
    SqliteConnection &operator=(const SqliteConnection &) = delete;

    /// The statement for \a sql, prepared once and kept.
    std::variant<Statement, Error> prepare(const QString &sql);
    /// Runs \a sql, which may hold several statements and returns no rows.
    std::optional<Error> execute(const QString &sql);
    /// Runs \a sql with \a bind applied to its parameters, and hands each row it returns to
    /// \a onRow.
    std::optional<Error> query(const QString &sql, const std::function<void(Statement &)> &bind,
                               const std::function<void(const Statement &)> &onRow = {});
    /// Runs \a work in one transaction that takes the write lock at once, and commits it; on any
    /// error nothing of it is written.
    std::optional<Error> transaction(const std::function<std::optional<Error>()> &work);
    /// The first column of the first row of \a sql, as text.
    std::variant<QString, Error> queryText(const QString &sql);
    /// Waits up to \a milliseconds for a lock another connection holds before failing as busy.
    void setBusyTimeout(int milliseconds);
    /// Makes the statement that runs now fail as interrupted, and returns at once. Any thread, as
    /// long as the connection lives.
    void interrupt();
    /// The number of rows the last statement changed.
    qint64 changes() const;

    /// The last failure, as an error value.
    Error lastError() const;
    static QString errorDomain();

private:
    explicit SqliteConnection(sqlite3 *database);

    sqlite3 *m_database;
    std::map<QString, sqlite3_stmt *> m_statements;
};
