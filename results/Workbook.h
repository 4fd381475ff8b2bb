#pragma once

#include <QString>

#include <memory>
#include <vector>

class SheetFont;

// One sheet as the workbook export fills it, handed to a spreadsheet program once it is done.
// Rows and columns count from 1, as the sheet shows them; every value is text. A fitted column
// is as wide as its longest text in the sheet's font, Calibri 11 (15 px), measured with its
// metric twin Carlito where Calibri is missing.
class Workbook
{
public:
    // A cell text longer than this is cut to it: the most a spreadsheet cell holds.
    static constexpr qsizetype kMaxCellCharacters = 32767;

    Workbook();
    ~Workbook();
    Workbook(const Workbook &) = delete;
    Workbook &operator=(const Workbook &) = delete;

    void setCell(int row, int column, const QString &text);
    // Fits the column to the texts it holds now; a column without text keeps its width.
    void fitColumn(int column);
    void fitAllColumns();

    int rowCount() const { return int(m_rows.size()); }
    int columnCount() const { return m_columnCount; }
    // The empty text for a cell never set.
    QString cell(int row, int column) const;
    // The fitted width in pixels; 0 for a column never fitted.
    int columnPixels(int column) const;

private:
    std::unique_ptr<SheetFont> m_font;
    std::vector<std::vector<QString>> m_rows;
    std::vector<int> m_columnPixels;
    int m_columnCount = 0;
};
