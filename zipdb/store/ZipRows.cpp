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

PackedRows readPackedRows(ZipStatement &query)
{
    PackedRows rows;
    while (query.next())
        rows.append(query.text(1), query.text(2), query.text(3), query.integer(0));
    return rows;
}

std::vector<ZipRow> readZipRows(ZipStore &store)
{
    return readSorted(*store.search(QString()));
}

ZipPlace readZipPlace(const ZipQuery &query, int first)
{
    ZipPlace place{query.text(first), query.text(first + 1), std::nullopt};
    if (!query.isNull(first + 2) && !query.isNull(first + 3))
        place.position = GeoPoint{query.number(first + 2), query.number(first + 3)};
    return place;
}
