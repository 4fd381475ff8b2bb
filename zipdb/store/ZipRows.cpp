#include "ZipRows.h"

#include "ZipCursor.h"
#include "ZipQuery.h"
#include "ZipStatement.h"
#include "ZipStore.h"

#include <algorithm>

namespace {

template <class Rows>
std::vector<ZipRow> readSorted(Rows &rows)
{
    std::vector<ZipRow> read;
    for (; !rows.atEnd(); rows.moveNext())
        read.push_back({rows.text(ZipCodeColumn), rows.text(CityColumn), rows.text(StateColumn)});
    // Tables keep their rows mostly in ZIP order, edits last; a search orders them but for the
    // state. Only the rows out of order need sorting.
    const auto sortedUpTo = std::is_sorted_until(read.begin(), read.end());
    std::sort(sortedUpTo, read.end());
    std::inplace_merge(read.begin(), sortedUpTo, read.end());
    return read;
}

} // namespace

std::vector<ZipRow> readZipRows(ZipQuery &&query)
{
    return readSorted(query);
}

QString packedCountSql(const QString &table)
{
    return QStringLiteral("select count(*) from ") + table;
}

QString packedRowsSql(const QString &table)
{
    return QStringLiteral("select rowid, ZipCode, City, State from ") + table;
}

PackedRows readPackedRows(ZipStatement &&count, ZipStatement &&rows, PackedRows::Ids ids)
{
    // Room for rows longer than most: room not filled is never touched, and costs no memory.
    constexpr qsizetype kBytesPerRow = 40;
    const qsizetype expected = count.next() ? count.integer(0) : 0;
    PackedRows packed(ids);
    packed.reserve(expected, expected * kBytesPerRow);
    while (rows.next())
        packed.append(rows.text(1), rows.text(2), rows.text(3), rows.integer(0));
    return packed;
}

std::vector<ZipRow> readZipRows(ZipStore &store)
{
    return readSorted(*store.search(QString()));
}

ZipPlace readZipPlace(const ZipQuery &query, int first, RepeatedTexts &counties)
{
    ZipPlace place{query.text(first), counties.text(query.utf8Text(first + 1)), std::nullopt};
    if (!query.isNull(first + 2) && !query.isNull(first + 3))
        place.position = GeoPoint{query.number(first + 2), query.number(first + 3)};
    return place;
}
