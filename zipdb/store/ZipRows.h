#pragma once

#include "PackedRows.h"
#include "ZipPlace.h"
#include "ZipRow.h"

#include <vector>

class ZipQuery;
class ZipStatement;
class ZipStore;

// The rows a query of the ZipCodes table reads, sorted.
std::vector<ZipRow> readZipRows(ZipQuery &&query);
// The rows of a table of ZipCode, City and State (ZipCodes, ImportedRows) in its order, keeping
// their rowids or not; NULL reads as the empty text. The statements are the table's packedCountSql()
// and packedRowsSql(): the rows are counted first, so that their room is taken once, and a
// million rows are not copied as they grow.
QString packedCountSql(const QString &table);
QString packedRowsSql(const QString &table);
PackedRows readPackedRows(ZipStatement &&count, ZipStatement &&rows, PackedRows::Ids ids);
// Every row of a store, read through its search of the empty text.
std::vector<ZipRow> readZipRows(ZipStore &store);
// The place in the four columns from the first one on (ZIP, county, latitude, longitude) of the
// query's current row; no position where a coordinate is NULL.
ZipPlace readZipPlace(const ZipQuery &query, int first = 0);
