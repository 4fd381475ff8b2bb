#pragma once

#include "ZipCursor.h"

#include <QString>
#include <QStringList>

#include <memory>

struct sqlite3;
struct sqlite3_stmt;

// How long a statement waits for another instance's lock on the shared working copy.
inline constexpr int kBusyTimeoutMs = 5000;
// How long one step of a statement may take, a wait for a lock included, before it is stopped:
// a database crafted to run without end must not freeze the program.
inline constexpr int kStatementLimitMs = kBusyTimeoutMs + 3000;

// A read-only cursor over the rows of one query, standing on its first row once opened.
// A row that cannot be read ends the cursor: moveNext() throws once and atEnd() turns true,
// so a loop over it reports the failure once and stops.
class ZipQuery final : public ZipCursor
{
public:
    ZipQuery(sqlite3 *db, const QString &sql, const QStringList &values);

    bool atEnd() const override { return m_atEnd; }
    // The text of a column of the current row; an empty value reads as the empty text.
    QString text(int column) const override;
    QUtf8StringView utf8Text(int column) const override;
    // The number in a column of the current row, and whether the column holds NULL.
    double number(int column) const override;
    bool isNull(int column) const;
    void moveNext() override;

private:
    void step();

    struct Finalizer {
        void operator()(sqlite3_stmt *statement) const;
    };
    sqlite3 *m_db;
    std::unique_ptr<sqlite3_stmt, Finalizer> m_statement;
    bool m_atEnd = true;
};

// One step of a statement within kStatementLimitMs: true on a row, false at the end. Throws the
// failure as a ZipQuery does, and failStatement() the connection's last one.
bool stepWithinLimit(sqlite3 *db, sqlite3_stmt *statement);
[[noreturn]] void failStatement(sqlite3 *db);
