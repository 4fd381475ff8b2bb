#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

// ZIPs as people's lists hold them, after spreadsheets and forms have had their way with them.

// The five-digit ZIP a cell stands for, as its number (0 to 99999), or none when the cell is no
// ZIP. Takes blanks around it, ZIP+4 ("02134-1234", "021341234"), leading zeros a spreadsheet
// dropped ("2134", "501", a ZIP+4 of seven or eight digits) and a spreadsheet's float ("2134.0").
// One or two digits are no ZIP: the lowest ZIP, 00501, keeps three.
std::optional<int> zipInCell(QStringView cell);
// The ZIP's five digits, leading zeros kept.
QString zipText(int zip);

// Whether a header names a ZIP column: ZIP, Zip Code, ZIP5, Zipcode, Postal Code or Postcode, in
// any letter case, with any blanks, dashes, dots or underscores.
bool isZipHeader(QStringView header);

// Where a list's ZIPs are.
struct ZipColumnChoice {
    // Counted from 0.
    int column = 0;
    bool firstLineIsHeader = false;
};

// Finds the ZIP column from the list's first record and the column a person named: a header, or a
// number counted from 1; empty when none was named. The first record is a header when a cell of it
// names a ZIP column (or is the named header), or when none of its cells holds a ZIP; a single
// column is the ZIP column whatever its header. Throws std::runtime_error with the reason when
// no column can be the ZIP column.
ZipColumnChoice findZipColumn(const QStringList &firstRecord, const QString &named);
