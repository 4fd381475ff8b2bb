#include "ZipQuery.h"

#include "StoreErrors.h"

#include <QDir>

#include <sqlite3.h>

#include <chrono>
#include <optional>
#include <stdexcept>

namespace {

using Clock = std::chrono::steady_clock;

// Virtual machine instructions between two looks at the clock: microseconds of work.
constexpr int kInstructionsPerLook = 10000;

// The clock is first read at the first look, so that the many steps that never reach one (a row
// of a table read whole) never read it.
int stopWhenLate(void *deadline)
{
    auto &until = *static_cast<std::optional<Clock::time_point> *>(deadline);
    const Clock::time_point now = Clock::now();
    if (!until)
        until = now + std::chrono::milliseconds(kStatementLimitMs);
    return now >= *until ? 1 : 0;
}

[[noreturn]] void fail(sqlite3 *db)
{
    switch (sqlite3_errcode(db)) {
    case SQLITE_INTERRUPT:
        throw std::runtime_error(QStringLiteral("A statement on the database did not finish within %1 seconds and "
                                                "was stopped.")
                                     .arg(kStatementLimitMs / 1000)
                                     .toStdString());
    case SQLITE_AUTH:
        throw std::runtime_error(QStringLiteral("%1 holds a trigger or a view, which the program does not run: %2")
                                     .arg(QDir::toNativeSeparators(QString::fromUtf8(sqlite3_db_filename(db, "main"))),
                                          QString::fromUtf8(sqlite3_errmsg(db)))
                                     .toStdString());
    default:
        throw std::runtime_error(sqlite3_errmsg(db));
    }
}

} // namespace

void ZipQuery::Finalizer::operator()(sqlite3_stmt *statement) const
{
    sqlite3_finalize(statement);
}

ZipQuery::ZipQuery(sqlite3 *db, const QString &sql, const QStringList &values) : m_db(db)
{
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &statement, nullptr) != SQLITE_OK)
        fail(db);
    m_statement.reset(statement);
    for (int i = 0; i < values.size(); ++i) {
        const QByteArray value = values[i].toUtf8();
        if (sqlite3_bind_text(statement, i + 1, value.constData(), int(value.size()), SQLITE_TRANSIENT) != SQLITE_OK)
            fail(db);
    }
    m_atEnd = false;
    step();
}

QString ZipQuery::text(int column) const
{
    const QUtf8StringView value = utf8Text(column);
    return QString::fromUtf8(value.data(), value.size());
}

QUtf8StringView ZipQuery::utf8Text(int column) const
{
    if (m_atEnd)
        throw std::runtime_error(storeerrors::kNoCurrentRow);
    const auto *value = reinterpret_cast<const char *>(sqlite3_column_text(m_statement.get(), column));
    return QUtf8StringView(value, sqlite3_column_bytes(m_statement.get(), column));
}

double ZipQuery::number(int column) const
{
    if (m_atEnd)
        throw std::runtime_error(storeerrors::kNoCurrentRow);
    return sqlite3_column_double(m_statement.get(), column);
}

bool ZipQuery::isNull(int column) const
{
    if (m_atEnd)
        throw std::runtime_error(storeerrors::kNoCurrentRow);
    return sqlite3_column_type(m_statement.get(), column) == SQLITE_NULL;
}

void ZipQuery::moveNext()
{
    if (m_atEnd)
        throw std::runtime_error(storeerrors::kNoCurrentRow);
    step();
}

void ZipQuery::step()
{
    m_atEnd = true; // a step that fails ends the cursor
    m_atEnd = !stepWithinLimit(m_db, m_statement.get());
}

bool stepWithinLimit(sqlite3 *db, sqlite3_stmt *statement)
{
    std::optional<Clock::time_point> deadline;
    sqlite3_progress_handler(db, kInstructionsPerLook, stopWhenLate, &deadline);
    const int result = sqlite3_step(statement);
    sqlite3_progress_handler(db, 0, nullptr, nullptr);
    if (result == SQLITE_ROW)
        return true;
    if (result != SQLITE_DONE)
        fail(db);
    return false;
}

void failStatement(sqlite3 *db)
{
    fail(db);
}
