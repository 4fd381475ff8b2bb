#pragma once

#include "ExportProgress.h"

#include <QString>

#include <vector>

class QIODevice;
class ResultsModel;

// The part of a path after its last folder separator, "\" or the platform's own; the whole
// path when it holds neither.
QString fileNameFromPath(const QString &path);

// Writes the ticked rows of the list as aligned text: a header line, then one line per ticked
// row, every cell filled with blanks to its column's width (the longest text of the column over
// the header and every row, ticked or not) and followed by a TAB, lines ending in CR LF, UTF-8
// without byte-order mark. The caller owns the file: it opens the device once the list is
// measured, and commits it after write() (a QSaveFile, so a failed export leaves an existing file
// as it was). `path` names the file in the bar's caption; the bar is back at rest when the writer
// is destroyed, whatever happened. Each call throws a WriterFailure at the first step that fails.
class AlignedTextWriter
{
public:
    AlignedTextWriter(const ResultsModel &list, const QString &path, const ExportProgress &progress);
    ~AlignedTextWriter();
    AlignedTextWriter(const AlignedTextWriter &) = delete;
    AlignedTextWriter &operator=(const AlignedTextWriter &) = delete;

    // Every column's width. The list's size is taken once, here: a list that shrinks under the
    // walk fails at the first row or cell that has gone.
    void measure();
    // The lines, into a device open for writing; the bar says "Done." at the end.
    void write(QIODevice &file);

private:
    void showStage(int position);
    void showRowWritten(int written);

    const ResultsModel &m_list;
    const ExportProgress m_progress;
    const QString m_caption;
    int m_rows = 0;
    int m_columns = 0;
    std::vector<qsizetype> m_widths;
};
