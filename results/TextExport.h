#pragma once

#include <QString>

class QIODevice;
class ResultsModel;
struct ExportProgress;

// The part of a path after its last folder separator, "\" or the platform's own; the whole
// path when it holds neither.
QString fileNameFromPath(const QString &path);

// Writes the ticked rows of the list as aligned text: a header line, then one line per ticked
// row, every cell filled with blanks to its column's width (the longest text of the column over
// the header and every row, ticked or not) and followed by a TAB, lines ending in CR LF, UTF-8
// without byte-order mark. `file` is opened here; a QSaveFile is committed only when every line
// was written, so a failed export leaves an existing file as it was. `path` names the file in
// the bar's caption, and the bar is back at rest when the writer returns, whatever happened.
// Throws a WriterFailure at the first step that fails.
void writeAlignedText(const ResultsModel &list, QIODevice &file, const QString &path,
                      const ExportProgress &progress);
