#pragma once

#include "ListReader.h"

#include <memory>

// A workbook's first sheet as a list: its rows in order, each cell as its text (shared and inline
// strings, numbers as the sheet stores them, TRUE and FALSE), a row the sheet leaves out between
// two it holds as an empty record. Holds the sheet's shared strings, at most
// kMaxSharedStringBytes of them, and one row.
class XlsxListReader : public ListReader
{
public:
    static constexpr qsizetype kMaxSharedStringBytes = 32 * 1024 * 1024;

    // Reads the workbook through once, checking it. Throws a ListRefusal.
    XlsxListReader(QIODevice &device, const QString &name);
    ~XlsxListReader() override;

    bool next() override;

private:
    class Archive;
    class SheetRows;

    void startSheet();

    std::unique_ptr<Archive> m_archive;
    std::unique_ptr<SheetRows> m_rows;
    // The next row the sheet holds, read ahead while the rows it leaves out come first.
    ListRecord m_held;
    int m_heldRow = 0;
};
