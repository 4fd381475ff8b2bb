#include "BatchedRows.h"

#include "PackedRows.h"
#include "ZipConnection.h"

#include <QStringList>

namespace {

constexpr qsizetype kBatch = 64;

} // namespace

BatchedRows::BatchedRows(ZipConnection &working, const QString &head, const QString &tail, bool withIds)
    : m_columns(withIds ? 4 : 3), m_one(working.prepare(sql(head, tail, 1))),
      m_batch(working.prepare(sql(head, tail, kBatch)))
{
}

void BatchedRows::add(const PackedRows &rows, qsizetype row, qint64 id)
{
    m_pending.push_back({&rows, row, id});
    if (qsizetype(m_pending.size()) == kBatch)
        flush();
}

void BatchedRows::flush()
{
    const bool whole = qsizetype(m_pending.size()) == kBatch;
    ZipStatement &statement = whole ? m_batch : m_one;
    for (size_t i = 0; i < m_pending.size(); ++i) {
        bind(statement, whole ? int(i) * m_columns + 1 : 1, m_pending[i]);
        if (!whole)
            statement.run();
    }
    if (whole)
        statement.run();
    m_pending.clear();
}

QString BatchedRows::sql(const QString &head, const QString &tail, qsizetype rows) const
{
    const QString row = m_columns == 4 ? QStringLiteral("(?, ?, ?, ?)") : QStringLiteral("(?, ?, ?)");
    return head + QStringList(rows, row).join(u',') + tail;
}

void BatchedRows::bind(ZipStatement &statement, int first, const Row &pending) const
{
    if (m_columns == 4)
        statement.bind(first++, pending.id);
    const PackedRows &rows = *pending.rows;
    for (const std::string_view text : {rows.zip(pending.row), rows.city(pending.row), rows.state(pending.row)}) {
        if (text.empty())
            statement.bindNull(first++);
        else
            statement.bind(first++, text);
    }
}
