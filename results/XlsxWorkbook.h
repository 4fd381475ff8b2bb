#pragma once

#include <QString>

class Workbook;

// Writes the sheet as a new .xlsx file at `path` (replacing any file there): every cell a text
// cell in the text number format "@", that format also on the sheet's columns so values typed
// into them later stay text, "number stored as text" not flagged, fitted columns at their width.
// The caller owns the file (the export's own temporary file). It is named, not handed over as a
// device: libxlsxwriter 1.1.4 writes only to a file it opens itself (writing to memory came in
// 1.1.5). Throws a WriterFailure with the library's description when the file cannot be written.
void saveAsXlsx(const Workbook &workbook, const QString &path);
