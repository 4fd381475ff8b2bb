#pragma once

#include "ZipStatement.h"

#include <QString>

#include <vector>

class PackedRows;
class ZipConnection;

// Writes rows with one statement a batch of them: most of what writing a row alone costs is its
// statement's. A row binds its id first where the statement takes one, then its ZIP, city and
// state, an empty text as NULL; its bytes must stay until flush(), which writes what is left.
class BatchedRows
{
public:
    // The statement is the head, "(?, ?, ?)" a row (one more ? with the id), joined by commas, and
    // the tail.
    BatchedRows(ZipConnection &working, const QString &head, const QString &tail, bool withIds);

    void add(const PackedRows &rows, qsizetype row, qint64 id = 0);
    void flush();

private:
    struct Row {
        const PackedRows *rows;
        qsizetype row;
        qint64 id;
    };

    QString sql(const QString &head, const QString &tail, qsizetype rows) const;
    void bind(ZipStatement &statement, int first, const Row &pending) const;

    const int m_columns;
    ZipStatement m_one;
    ZipStatement m_batch;
    std::vector<Row> m_pending;
};
