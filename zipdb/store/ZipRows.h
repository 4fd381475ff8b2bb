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
// The rows of a query of rowid, ZipCode, City and State, in the query's order, each with its
// rowid; NULL reads as the empty text.
PackedRows readPackedRows(ZipStatement &query);
// Every row of a store, read through its search of the empty text.
std::vector<ZipRow> readZipRows(ZipStore &store);
// The place in the four columns from the first one on (ZIP, county, latitude, longitude) of the
// query's current row; no position where a coordinate is NULL.
ZipPlace readZipPlace(const ZipQuery &query, int first = 0);
