#pragma once

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

// The first sheet of an .xlsx file as a spreadsheet program reads it back: cell texts from shared
// or inline strings, each cell's and column's number format, column widths and the ranges where
// "number stored as text" is not flagged. Rows and columns count from 1.
struct XlsxSheet {
    using Address = QPair<int, int>;

    struct Cell {
        QString text;
        QString type;        // the cell's t attribute: "s", "inlineStr", "str", or empty for a number
        int numberFormat = 0; // the numFmtId of the cell's style
    };

    QMap<Address, Cell> cells;
    QMap<int, int> columnNumberFormats;
    QMap<int, double> columnWidths;
    QStringList numberStoredAsTextIgnored;
    QString error; // empty when the file was read

    static XlsxSheet read(const QString &path);

    QString text(int row, int column) const { return cells.value({row, column}).text; }
    // Sheet rows that hold at least one cell.
    QList<int> rows() const;
    // The texts of one row from column 1 on, up to its last cell.
    QStringList rowTexts(int row) const;
};
