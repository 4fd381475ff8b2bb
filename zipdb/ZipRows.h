#pragma once

#include "ZipDataFile.h"

#include <vector>

class ZipQuery;
class ZipStore;

// Every row of the ZipCodes table, and the rows a query of it reads, sorted.
extern const char *const kSelectZipRowsSql;
std::vector<ZipRow> readZipRows(ZipQuery &&query);
// Every row of a store, read through its search of the empty text.
std::vector<ZipRow> readZipRows(ZipStore &store);
