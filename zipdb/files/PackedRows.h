#pragma once

#include "ZipRow.h"

#include <QStringView>

#include <string>
#include <string_view>
#include <vector>

// ZIP rows held compactly, for the files and tables of a million rows an import may meet: each row
// is one UTF-8 text "zip\0city\0state" in a buffer they share, and costs its bytes and 8 more,
// where a ZipRow's three QStrings cost over a hundred. Rows may keep an id each (a table's rowid),
// for 8 bytes more. A NUL inside a text, which no data file holds, is kept as U+FFFD.
class PackedRows
{
public:
    enum class Ids { Dropped, Kept };
    PackedRows() = default;
    explicit PackedRows(Ids ids) : m_keepsIds(ids == Ids::Kept) {}

    // Room for the rows and their bytes, so that a reader that knows its input's size grows nothing.
    void reserve(qsizetype rows, qsizetype bytes);
    void append(QStringView zip, QStringView city, QStringView state, qint64 id = 0);
    void append(std::string_view zip, std::string_view city, std::string_view state, qint64 id = 0);

    qsizetype size() const { return qsizetype(m_rows.size()); }
    bool empty() const { return m_rows.empty(); }
    // The row's texts as one: rows compare by it, so by ZIP, then city, then state, byte by byte.
    std::string_view key(qsizetype row) const;
    std::string_view zip(qsizetype row) const;
    std::string_view city(qsizetype row) const;
    std::string_view state(qsizetype row) const;
    // The id the row was appended with; 0 where ids are dropped.
    qint64 id(qsizetype row) const;
    ZipRow row(qsizetype row) const;
    std::vector<ZipRow> unpacked() const;

    // Sorts the rows by their keys; sortUnique() keeps each row once besides.
    void sort();
    void sortUnique();

private:
    // The row's key; its id, where kept, lies in the 8 bytes before it.
    struct Entry {
        quint32 at;
        quint32 size;
    };

    size_t startRow(qint64 id);
    void appendText(QStringView text);
    void appendText(std::string_view text);
    void endRow(size_t at);
    std::string_view keyOf(const Entry &entry) const;

    bool m_keepsIds = false;
    std::string m_bytes;
    std::vector<Entry> m_rows;
};

// Rows [first, first + count) of a PackedRows.
struct RowRange {
    qsizetype first = 0;
    qsizetype count = 0;

    bool empty() const { return count == 0; }
    qsizetype end() const { return first + count; }
};

// Whether the rows of one range are the rows of the other, row for row.
bool sameRows(const PackedRows &some, RowRange these, const PackedRows &others, RowRange those);

// A text of the rows as a QString.
QString textOf(std::string_view utf8);
