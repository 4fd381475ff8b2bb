#include "WorkbookExport.h"

#include "ExportProgress.h"
#include "ResultsModel.h"
#include "Workbook.h"
#include "WriterFailure.h"

void fillWorkbook(const ResultsModel &list, Workbook &sheet, const ExportProgress &progress)
{
    using Step = WriterFailure::Step;
    // The list's size is taken once: a list that shrinks under the walk fails where a row has gone.
    const int rows = list.rowCount();
    const int columns = list.columnCount();
    for (int column = 0; column < columns; ++column) {
        progress.yieldNow();
        writerStep(Step::HeaderCell, [&] { sheet.setCell(1, column + 1, list.header(column)); });
        writerStep(Step::FitColumn, [&] { sheet.fitColumn(column + 1); });
    }
    for (int row = 0; row < rows; ++row) {
        progress.yieldNow();
        bool ticked = false;
        writerStep(Step::ReadTick, [&] { ticked = list.ticked(row); });
        for (int column = 0; ticked && column < columns; ++column) {
            progress.yieldNow();
            const bool zip = column == 0;
            writerStep(zip ? Step::ReadZip : Step::ReadCell, [&] {
                QString text = list.cell(row, column);
                sheet.setCell(row + 2, column + 1, zip ? text : text.remove(QLatin1Char('=')));
            });
        }
    }
}
