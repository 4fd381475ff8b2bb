#include "ZipStatement.h"

#include "ZipQuery.h"

#include <sqlite3.h>

void ZipStatement::Finalizer::operator()(sqlite3_stmt *statement) const
{
    sqlite3_finalize(statement);
}

ZipStatement::ZipStatement(sqlite3 *db, const QString &sql) : m_db(db)
{
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt *statement = nullptr;
    check(sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &statement, nullptr));
    m_statement.reset(statement);
}

void ZipStatement::bind(int index, std::string_view utf8)
{
    check(sqlite3_bind_text(m_statement.get(), index, utf8.data(), int(utf8.size()), SQLITE_STATIC));
}

void ZipStatement::bind(int index, qint64 number)
{
    check(sqlite3_bind_int64(m_statement.get(), index, number));
}

void ZipStatement::bind(int index, std::optional<double> number)
{
    check(number ? sqlite3_bind_double(m_statement.get(), index, *number) : sqlite3_bind_null(m_statement.get(), index));
}

void ZipStatement::bindNull(int index)
{
    check(sqlite3_bind_null(m_statement.get(), index));
}

int ZipStatement::run()
{
    while (next()) {
    }
    return sqlite3_changes(m_db);
}

bool ZipStatement::next()
{
    if (stepWithinLimit(m_db, m_statement.get()))
        return true;
    sqlite3_reset(m_statement.get());
    return false;
}

std::string_view ZipStatement::text(int column) const
{
    const auto *value = reinterpret_cast<const char *>(sqlite3_column_text(m_statement.get(), column));
    return std::string_view(value ? value : "", size_t(sqlite3_column_bytes(m_statement.get(), column)));
}

qint64 ZipStatement::integer(int column) const
{
    return sqlite3_column_int64(m_statement.get(), column);
}

double ZipStatement::number(int column) const
{
    return sqlite3_column_double(m_statement.get(), column);
}

bool ZipStatement::isNull(int column) const
{
    return sqlite3_column_type(m_statement.get(), column) == SQLITE_NULL;
}

void ZipStatement::check(int result) const
{
    if (result != SQLITE_OK)
        failStatement(m_db);
}
