// SPDX-License-Identifier: GPL-3.0-or-later
#include "SqliteConnection.h"

#include <sqlite3.h>

using namespace Qt::Literals::StringLiterals;

namespace {

Error errorOf(sqlite3 *database, int fallbackCode)
{
    const int code = database ? sqlite3_extended_errcode(database) : fallbackCode;
    const char *message = database ? sqlite3_errmsg(database) : sqlite3_errstr(fallbackCode);
    return Error::fromMessage(QString::fromUtf8(message), SqliteConnection::errorDomain(), code);
}

} // namespace

QString SqliteConnection::errorDomain()
{
    return u"SQLite"_s;
}

std::variant<std::unique_ptr<SqliteConnection>, Error> SqliteConnection::open(const QString &path,
                                                                              int flags)
{
    sqlite3 *database = nullptr;
    const int result =
        sqlite3_open_v2(path.toUtf8().constData(), &database, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (result != SQLITE_OK) {
        Error error = errorOf(database, result);
        sqlite3_close(database);
        return error;
    }
    sqlite3_extended_result_codes(database, 1);
    return std::unique_ptr<SqliteConnection>(new SqliteConnection(database));
}

SqliteConnection::SqliteConnection(sqlite3 *database)
    : m_database(database)
{}

SqliteConnection::~SqliteConnection()
{
    for (const auto &[sql, statement] : m_statements)
        sqlite3_finalize(statement);
    sqlite3_close(m_database);
}

std::variant<SqliteConnection::Statement, Error> SqliteConnection::prepare(const QString &sql)
{
    auto found = m_statements.find(sql);
    if (found == m_statements.end()) {
        sqlite3_stmt *statement = nullptr;
        if (sqlite3_prepare_v3(m_database, sql.toUtf8().constData(), -1, SQLITE_PREPARE_PERSISTENT,
                               &statement, nullptr) != SQLITE_OK)
            return lastError();
        found = m_statements.emplace(sql, statement).first;
    }
    return Statement(*this, found->second);
}

std::optional<Error> SqliteConnection::execute(const QString &sql)
{
    if (sqlite3_exec(m_database, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        return lastError();
    return std::nullopt;
}

std::optional<Error> SqliteConnection::query(const QString &sql,
                                             const std::function<void(Statement &)> &bind,
                                             const std::function<void(const Statement &)> &onRow)
{
    std::variant<Statement, Error> prepared = prepare(sql);
    if (Error *error = std::get_if<Error>(&prepared))
        return *error;
    Statement &statement = std::get<Statement>(prepared);
    bind(statement);
    for (;;) {
        std::variant<bool, Error> row = statement.step();
        if (Error *error = std::get_if<Error>(&row))
            return *error;
        if (!std::get<bool>(row))
            return std::nullopt;
        if (onRow)
            onRow(statement);
    }
}

std::variant<QString, Error> SqliteConnection::queryText(const QString &sql)
{
    std::variant<Statement, Error> prepared = prepare(sql);
    if (Error *error = std::get_if<Error>(&prepared))
        return *error;
    Statement &statement = std::get<Statement>(prepared);
    std::variant<bool, Error> row = statement.step();
    if (Error *error = std::get_if<Error>(&row))
        return *error;
    return std::get<bool>(row) ? statement.text(0) : QString();
}

std::optional<Error>
SqliteConnection::transaction(const std::function<std::optional<Error>()> &work)
{
    if (std::optional<Error> error = execute(u"BEGIN IMMEDIATE"_s))
        return error;
    std::optional<Error> error = work();
    if (!error)
        error = execute(u"COMMIT"_s);
    if (error) {
        // SQLite may have rolled back by itself already; then this has nothing to do.
        execute(u"ROLLBACK"_s);
    }
    return error;
}

void SqliteConnection::setBusyTimeout(int milliseconds)
{
    sqlite3_busy_timeout(m_database, milliseconds);
}

void SqliteConnection::interrupt()
{
    sqlite3_interrupt(m_database);
}

qint64 SqliteConnection::changes() const
{
    return sqlite3_changes64(m_database);
}

Error SqliteConnection::lastError() const
{
    return errorOf(m_database, SQLITE_ERROR);
}

SqliteConnection::Statement::Statement(SqliteConnection &connection, sqlite3_stmt *statement)
    : m_connection(&connection)
    , m_statement(statement)
{}

SqliteConnection::Statement::Statement(Statement &&other) noexcept
    : m_connection(other.m_connection)
    , m_statement(std::exchange(other.m_statement, nullptr))
{}

SqliteConnection::Statement::~Statement()
{
    if (!m_statement)
        return;
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

void SqliteConnection::Statement::bind(int index, const std::optional<QString> &value)
{
    if (!value) {
        sqlite3_bind_null(m_statement, index);
        return;
    }
    const QByteArray utf8 = value->toUtf8();
    sqlite3_bind_text64(m_statement, index, utf8.constData(), sqlite3_uint64(utf8.size()),
                        SQLITE_TRANSIENT, SQLITE_UTF8);
}

void SqliteConnection::Statement::bind(int index, qint64 value)
{
    sqlite3_bind_int64(m_statement, index, value);
}

void SqliteConnection::Statement::bind(int index, double value)
{
    sqlite3_bind_double(m_statement, index, value);
}

std::variant<bool, Error> SqliteConnection::Statement::step()
{
    switch (sqlite3_step(m_statement)) {
    case SQLITE_ROW:
        return true;
    case SQLITE_DONE:
        return false;
    default:
        return m_connection->lastError();
    }
}

std::optional<Error> SqliteConnection::Statement::run()
{
    std::variant<bool, Error> result = step();
    if (Error *error = std::get_if<Error>(&result))
        return *error;
    return std::nullopt;
}

QString SqliteConnection::Statement::text(int column) const
{
    return optionalText(column).value_or(QString());
}

std::optional<QString> SqliteConnection::Statement::optionalText(int column) const
{
    if (sqlite3_column_type(m_statement, column) == SQLITE_NULL)
        return std::nullopt;
    const auto *utf8 = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    return QString::fromUtf8(utf8, sqlite3_column_bytes(m_statement, column));
}

qint64 SqliteConnection::Statement::integer(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

double SqliteConnection::Statement::real(int column) const
{
    return sqlite3_column_double(m_statement, column);
}
