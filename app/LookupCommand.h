#pragma once

#include "ExitStatus.h"

class QString;
struct StoreLocations;

// quillmap --lookup: the list in `file` ("-" for standard input), a CSV, TSV or .xlsx, with each
// record's ZIP looked up in the store, the ZIP column found by its header or named by `column` (a
// header or a number from 1; empty for none). Written in the list's own format to standard
// output, or whole to `output` ("-" for standard output; a name ending in .xlsx writes a
// workbook), the summary on standard error. Done when every record was written, whatever it
// matched; a list refused (its file and line in the reason) or a failure throws, with nothing
// half-written.
ExitStatus lookUpList(const StoreLocations &locations, const QString &file, const QString &column,
                      const QString &output);
