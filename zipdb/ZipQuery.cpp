#include "ZipQuery.h"

#include <sqlite3.h>

#include <stdexcept>

void ZipQuery::Finalizer::operator()(sqlite3_stmt *statement) const
{
    sqlite3_finalize(statement);
}

ZipQuery::ZipQuery(sqlite3 *db, const QString &sql, const QStringList &values) : m_db(db)
{
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &statement, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    m_statement.reset(statement);
    for (int i = 0; i < values.size(); ++i) {
        const QByteArray value = values[i].toUtf8();
        if (sqlite3_bind_text(statement, i + 1, value.constData(), int(value.size()), SQLITE_TRANSIENT) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db));
    }
    m_atEnd = false;
    step();
}

QString ZipQuery::text(int column) const
{
    if (m_atEnd)
        throw std::runtime_error("Either BOF or EOF is True, or the current record has been deleted.");
    const auto *value = reinterpret_cast<const char *>(sqlite3_column_text(m_statement.get(), column));
    return QString::fromUtf8(value, sqlite3_column_bytes(m_statement.get(), column));
}

void ZipQuery::moveNext()
{
    if (m_atEnd)
        throw std::runtime_error("Either BOF or EOF is True, or the current record has been deleted.");
    step();
}

void ZipQuery::step()
{
    const int result = sqlite3_step(m_statement.get());
    if (result == SQLITE_ROW)
        return;
    m_atEnd = true;
    if (result != SQLITE_DONE)
        throw std::runtime_error(sqlite3_errmsg(m_db));
}
