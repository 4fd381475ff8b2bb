#pragma once

class QString;
class QTextStream;
class ZipStore;

// quillmap --lookup: the list in `file` ("-" for standard input), a CSV, TSV or .xlsx, with each
// record's ZIP looked up in the open store, the ZIP column found by its header or named by
// `column` (a header or a number from 1; empty for none). Written in the list's own format to
// standard output, or whole to `output` ("-" for standard output; a name ending in .xlsx writes a
// workbook). The summary, or the reason the list was refused with its file and line, goes to
// `err`. Returns 0 when every record was written, whatever it matched; 2 for a list refused or a
// failure, with nothing half-written.
int lookUpList(ZipStore &store, const QString &file, const QString &column, const QString &output, QTextStream &err);
