#pragma once

#include <QString>
#include <QStringView>

#include <vector>

class ResultsModel;
struct ExportProgress;

// The layout both aligned-text writers share: a cell is filled with blanks up to its column's
// width, counted in characters (a character outside the Basic Multilingual Plane is one, not
// the two UTF-16 units QString counts).
qsizetype characterCount(QStringView text);

// Appends the cell, the blanks that fill it to `width` (none when it is already as long) and
// one TAB.
void appendPaddedCell(QString &line, QStringView cell, qsizetype width);

enum class HeaderWidths { Count, Ignored };

// Each column's width: the characters of its longest cell over the first `rows` rows of the
// list, ticked or not, and of its header when headers count. Yields before every cell it
// measures; a cell gone from the list under the walk fails as a WriterFailure.
std::vector<qsizetype> columnWidths(const ResultsModel &list, int rows, int columns, HeaderWidths headers,
                                    const ExportProgress &progress);
