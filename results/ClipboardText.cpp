#include "ClipboardText.h"

#include "AlignedText.h"
#include "ExportProgress.h"
#include "ResultsModel.h"
#include "WriterFailure.h"

#include <vector>

std::optional<QString> clipboardTextOf(const ResultsModel &list, const ExportProgress &progress)
{
    using Step = WriterFailure::Step;
    // The list's size is taken once: a list that shrinks under the walk fails where a row has gone.
    const int rows = list.rowCount();
    const int columns = list.columnCount();
    if (rows == 0)
        return std::nullopt;

    const std::vector<qsizetype> widths = columnWidths(list, rows, columns, HeaderWidths::Ignored, progress);

    QString text;
    // At most one line a row: the text grows without copying itself over and over.
    qsizetype lineLength = 2 + columns;
    for (qsizetype width : widths)
        lineLength += width;
    text.reserve(lineLength * rows);
    for (int row = 0; row < rows; ++row) {
        progress.yieldNow();
        bool ticked = false;
        writerStep(Step::ReadTick, [&] { ticked = list.ticked(row); });
        if (!ticked)
            continue;
        const qsizetype lineStart = text.size();
        for (int column = 0; column < columns; ++column) {
            progress.yieldNow();
            writerStep(column == 0 ? Step::ReadZip : Step::ReadCell,
                       [&] { appendPaddedCell(text, list.cellView(row, column), widths[column]); });
        }
        if (text.size() > lineStart) // the TAB after the last column
            text.chop(1);
        qsizetype end = text.size();
        while (end > lineStart && text.at(end - 1) == QLatin1Char(' '))
            --end;
        text.truncate(end);
        text += QLatin1String("\r\n");
    }
    return text;
}
