#include "XlsxRowWriter.h"

#include <QFile>

#include <xlsxwriter.h>

#include <stdexcept>

namespace {

// Excel's built-in number format 49: "@", text.
constexpr uint16_t kTextNumberFormat = 49;
// The most characters (code points, as libxlsxwriter counts them) a cell holds.
constexpr qsizetype kMaxCellCharacters = 32767;

[[noreturn]] void fail(const char *description)
{
    throw std::runtime_error(description);
}

void check(lxw_error error)
{
    if (error != LXW_NO_ERROR)
        fail(lxw_strerror(error));
}

// The bytes of the text's first kMaxCellCharacters characters.
qsizetype cellBytes(QByteArrayView utf8)
{
    qsizetype characters = 0;
    for (qsizetype at = 0; at < utf8.size(); ++at)
        if ((uchar(utf8[at]) & 0xC0) != 0x80 && ++characters > kMaxCellCharacters)
            return at;
    return utf8.size();
}

} // namespace

void XlsxRowWriter::WorkbookFree::operator()(lxw_workbook *workbook) const
{
    lxw_workbook_free(workbook);
}

XlsxRowWriter::XlsxRowWriter(const QString &path)
{
    const QByteArray fileName = QFile::encodeName(path);
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    m_workbook.reset(workbook_new_opt(fileName.constData(), &options));
    if (!m_workbook)
        fail("Cannot create the workbook");
    m_sheet = workbook_add_worksheet(m_workbook.get(), nullptr);
    m_text = workbook_add_format(m_workbook.get());
    if (!m_sheet || !m_text)
        fail("Cannot create the workbook's sheet");
    format_set_num_format_index(m_text, kTextNumberFormat);
    check(worksheet_set_column(m_sheet, 0, LXW_COL_MAX - 1, LXW_DEF_COL_WIDTH, m_text));
    check(worksheet_ignore_errors(m_sheet, LXW_IGNORE_NUMBER_STORED_AS_TEXT, "A1:XFD1048576"));
}

XlsxRowWriter::~XlsxRowWriter() = default;

void XlsxRowWriter::addCell(QByteArrayView utf8)
{
    if (m_row >= LXW_ROW_MAX)
        fail("A sheet holds at most 1,048,576 rows");
    if (m_column >= LXW_COL_MAX)
        fail("A sheet holds at most 16,384 columns");
    if (!utf8.isEmpty()) {
        m_cell.assign(utf8.data(), size_t(cellBytes(utf8)));
        check(worksheet_write_string(m_sheet, m_row, lxw_col_t(m_column), m_cell.c_str(), m_text));
    }
    ++m_column;
}

void XlsxRowWriter::addText(QStringView text)
{
    addCell(text.toUtf8());
}

void XlsxRowWriter::endRow()
{
    ++m_row;
    m_column = 0;
}

void XlsxRowWriter::close()
{
    // Closing writes the file and frees the workbook, whatever it returns.
    check(workbook_close(m_workbook.release()));
}
