#pragma once

#include <QString>

class Workbook;

// Writes the sheet as a new .xlsx file at `path` (replacing any file there): every cell a text
// cell in the text number format "@", that format also on the sheet's columns so values typed
// into them later stay text, "number stored as text" not flagged, fitted columns at their width.
// Throws with the library's description when the file cannot be written.
void saveAsXlsx(const Workbook &workbook, const QString &path);
