#pragma once

#include <QByteArrayView>
#include <QString>

#include <memory>
#include <string>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

// Writes rows of text cells one after another into a new .xlsx workbook's one sheet, holding
// about one row: libxlsxwriter's constant-memory mode puts each row on disk as the next begins.
// Every cell is text in the text number format "@", as the workbook export writes them, so a ZIP
// keeps its leading zeros; a text over a cell's 32,767 characters is cut, not lost. The file is
// named, not handed over as a device: libxlsxwriter 1.1.4 writes only to a file it opens itself.
// Failures throw std::runtime_error with the library's description.
class XlsxRowWriter
{
public:
    // The workbook goes to the path when close() is called; nothing is there before.
    explicit XlsxRowWriter(const QString &path);
    ~XlsxRowWriter();
    XlsxRowWriter(const XlsxRowWriter &) = delete;
    XlsxRowWriter &operator=(const XlsxRowWriter &) = delete;

    // The next cell of the row, in UTF-8.
    void addCell(QByteArrayView utf8);
    void addText(QStringView text);
    void endRow();
    // Writes the workbook's file.
    void close();

private:
    struct WorkbookFree {
        void operator()(lxw_workbook *workbook) const;
    };

    std::unique_ptr<lxw_workbook, WorkbookFree> m_workbook;
    lxw_worksheet *m_sheet = nullptr;
    lxw_format *m_text = nullptr;
    quint32 m_row = 0;
    quint32 m_column = 0;
    std::string m_cell;
};
