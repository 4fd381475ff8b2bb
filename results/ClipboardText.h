#pragma once

#include <QString>

#include <optional>

class ResultsModel;
struct ExportProgress;

// The text the copy puts on the clipboard: one line per ticked row and nothing else (no header),
// every cell filled with blanks to its column's width (the longest cell of the column over every
// row, ticked or not; headers do not count) and followed by a TAB, except that each line drops
// its last TAB and then its trailing blanks before its CR LF. No ticked row gives the empty text;
// a list without rows gives none, so the clipboard is left as it was. Throws a WriterFailure when
// the list changes under it.
std::optional<QString> clipboardTextOf(const ResultsModel &list, const ExportProgress &progress);
