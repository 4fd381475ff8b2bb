#pragma once

#include "ZipRow.h"

#include <vector>

class ZipQuery;
class ZipStore;

// The rows a query of the ZipCodes table reads, sorted.
std::vector<ZipRow> readZipRows(ZipQuery &&query);
// Every row of a store, read through its search of the empty text.
std::vector<ZipRow> readZipRows(ZipStore &store);
