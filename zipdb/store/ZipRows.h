#pragma once

#include "ZipPlace.h"
#include "ZipRow.h"

#include <vector>

class ZipQuery;
class ZipStore;

// The rows a query of the ZipCodes table reads, sorted.
std::vector<ZipRow> readZipRows(ZipQuery &&query);
// Every row of a store, read through its search of the empty text.
std::vector<ZipRow> readZipRows(ZipStore &store);
// The place in the four columns from the first one on (ZIP, county, latitude, longitude) of the
// query's current row; no position where a coordinate is NULL.
ZipPlace readZipPlace(const ZipQuery &query, int first = 0);
