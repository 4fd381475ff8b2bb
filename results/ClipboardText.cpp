#include "ClipboardText.h"

#include "AlignedText.h"
#include "ExportProgress.h"
#include "ResultsModel.h"

#include <vector>

std::optional<QString> clipboardTextOf(const ResultsModel &list, const ExportProgress &progress)
{
    const int rows = list.count();
    const int columns = list.columnHeaderCount();
    if (rows == 0)
        return std::nullopt;

    std::vector<qsizetype> widths;
    for (int column = 0; column < columns; ++column) {
        qsizetype width = 0;
        for (int row = 0; row < rows; ++row) {
            progress.yieldNow();
            width = std::max(width, characterCount(list.cell(row, column)));
        }
        widths.push_back(width);
    }

    QString text;
    // At most one line a row: the text grows without copying itself over and over.
    qsizetype lineLength = 2 + columns;
    for (qsizetype width : widths)
        lineLength += width;
    text.reserve(lineLength * rows);
    for (int row = 0; row < rows; ++row) {
        progress.yieldNow();
        if (!list.ticked(row))
            continue;
        const qsizetype lineStart = text.size();
        for (int column = 0; column < columns; ++column) {
            progress.yieldNow();
            appendPaddedCell(text, list.cell(row, column), widths[column]);
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
