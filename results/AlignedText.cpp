#include "AlignedText.h"

#include "ExportProgress.h"
#include "ResultsModel.h"
#include "WriterFailure.h"

#include <algorithm>

qsizetype characterCount(QStringView text)
{
    // Counted over the plain units, which the compiler can vectorise: every cell is measured.
    const char16_t *units = text.utf16();
    qsizetype lowSurrogates = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        lowSurrogates += (units[i] & 0xFC00) == 0xDC00;
    return text.size() - lowSurrogates;
}

void appendPaddedCell(QString &line, QStringView cell, qsizetype width)
{
    // One resize and plain writes: this runs for every cell of every line.
    const qsizetype fill = std::max<qsizetype>(0, width - characterCount(cell));
    const qsizetype start = line.size();
    line.resize(start + cell.size() + fill + 1);
    QChar *out = std::copy(cell.cbegin(), cell.cend(), line.data() + start);
    out = std::fill_n(out, fill, QLatin1Char(' '));
    *out = QLatin1Char('\t');
}

std::vector<qsizetype> columnWidths(const ResultsModel &list, int rows, int columns, HeaderWidths headers,
                                    const ExportProgress &progress)
{
    using Step = WriterFailure::Step;
    std::vector<qsizetype> widths;
    for (int column = 0; column < columns; ++column) {
        qsizetype width = 0;
        if (headers == HeaderWidths::Count)
            writerStep(Step::MeasureHeader, [&] { width = characterCount(list.header(column)); });
        const Step measure = column == 0 ? Step::MeasureZip : Step::MeasureCell;
        for (int row = 0; row < rows; ++row) {
            progress.yieldNow();
            writerStep(measure, [&] { width = std::max(width, characterCount(list.cellView(row, column))); });
        }
        widths.push_back(width);
    }
    return widths;
}
