#include "XlsxWorkbook.h"

#include "Workbook.h"
#include "WriterFailure.h"

#include <QFile>

#include <xlsxwriter.h>

#include <memory>

namespace {

// Excel's built-in number format 49: "@", text.
constexpr uint16_t kTextNumberFormat = 49;

struct WorkbookFree {
    void operator()(lxw_workbook *workbook) const { lxw_workbook_free(workbook); }
};
using WorkbookHandle = std::unique_ptr<lxw_workbook, WorkbookFree>;

[[noreturn]] void fail(const char *description)
{
    throw WriterFailure(WriterFailure::SaveWorkbook, description);
}

void check(lxw_error error)
{
    if (error != LXW_NO_ERROR)
        fail(lxw_strerror(error));
}

} // namespace

void saveAsXlsx(const Workbook &workbook, const QString &path)
{
    const QByteArray fileName = QFile::encodeName(path);
    // Constant-memory mode streams each row to a temporary file as it is written, with the
    // strings inline: a few megabytes for the whole table instead of tens.
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    WorkbookHandle book(workbook_new_opt(fileName.constData(), &options));
    if (!book)
        fail("Cannot create the workbook");
    lxw_worksheet *sheet = workbook_add_worksheet(book.get(), nullptr);
    lxw_format *text = workbook_add_format(book.get());
    if (!sheet || !text)
        fail("Cannot create the workbook's sheet");
    format_set_num_format_index(text, kTextNumberFormat);

    for (int column = 1; column <= workbook.columnCount(); ++column) {
        const lxw_col_t index = lxw_col_t(column - 1);
        const int pixels = workbook.columnPixels(column);
        if (pixels > 0)
            check(worksheet_set_column_pixels(sheet, index, index, uint32_t(pixels), text));
        else
            check(worksheet_set_column(sheet, index, index, LXW_DEF_COL_WIDTH, text));
    }
    check(worksheet_ignore_errors(sheet, LXW_IGNORE_NUMBER_STORED_AS_TEXT, "A1:XFD1048576"));

    for (int row = 1; row <= workbook.rowCount(); ++row) {
        for (int column = 1; column <= workbook.columnCount(); ++column) {
            const QString value = workbook.cell(row, column);
            if (value.isEmpty())
                continue;
            check(worksheet_write_string(sheet, lxw_row_t(row - 1), lxw_col_t(column - 1),
                                         value.toUtf8().constData(), text));
        }
    }
    // Closing writes the file and frees the workbook, whatever it returns.
    check(workbook_close(book.release()));
}
