#pragma once

#include "ZipCell.h"
#include "ZipIndex.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class ListCsvWriter;
class ListReader;
class QIODevice;
class XlsxRowWriter;

// How many records of a list matched which way.
struct LookupCounts {
    qint64 found = 0;
    qint64 unknown = 0;
    qint64 notAZip = 0;

    void add(ZipMatch match);
    qint64 rows() const { return found + unknown + notAZip; }
    // "5,000 rows: 4,987 found, 10 unknown, 3 not a ZIP"
    QString summary() const;
};

// A person's list looked up in the index: every record after the header, in order, keeps its
// fields and gains its ZIP's facts and how it matched. The records are read as they are written,
// one at a time, so a lookup writes its list once.
class ListLookup
{
public:
    // Called for each record, which the reader holds, with the ZIP of its ZIP column (none when
    // it holds no ZIP) and how that matched.
    using RecordTaker = std::function<void(std::optional<int> zip, ZipMatch match)>;

    // Reads the list's first record and finds the ZIP column, by the header or the number from 1
    // the person named (empty for none). Throws a ListRefusal: an empty list, no ZIP column.
    ListLookup(ListReader &reader, const QString &namedColumn);

    const ZipColumnChoice &column() const { return m_column; }
    // The columns after the list's own: the index's facts, then Match.
    static QStringList addedColumnNames();
    // Their cells for a record: the ZIP's facts where it was found, then how it matched.
    static QStringList addedCells(const ZipIndex &index, std::optional<int> zip, ZipMatch match);

    // Goes through the records after the header.
    LookupCounts forEachRecord(const ZipIndex &index, const RecordTaker &take);
    // Writes the list with its lookups as text in the list's own format, its header line (if it
    // had one) with the added names. Throws std::runtime_error when the device fails.
    LookupCounts writeText(const ZipIndex &index, QIODevice &device);
    // Writes the same as a workbook's sheet.
    LookupCounts writeSheet(const ZipIndex &index, XlsxRowWriter &sheet);

private:
    std::optional<int> recordZip() const;
    qsizetype fieldCount() const;
    void addListFields(ListCsvWriter &out) const;
    void addListCells(XlsxRowWriter &sheet) const;

    ListReader &m_reader;
    ZipColumnChoice m_column;
    // The first record's fields: shorter records are filled up to it, so the added columns line up.
    qsizetype m_width = 0;
};
