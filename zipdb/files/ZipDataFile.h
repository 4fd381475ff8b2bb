#pragma once

#include "PackedRows.h"
#include "ZipPlace.h"
#include "ZipRow.h"

#include <QDate>
#include <QHash>
#include <QString>

#include <stdexcept>
#include <vector>

class QIODevice;

// The one owner of the rules that turn a ZIP data file into rows; the data build and the import
// both read through it, so the shipped rows and the imported ones cannot drift apart.
//
// Two formats, told apart by their first line:
// - the GeoNames postal-code dump for the US (US.txt): UTF-8, 12 TAB-separated fields a line
//   (country, ZIP, place, state name, state code, ...). A place without a state code must be a
//   military one ("APO AE", "FPO AP"): its city becomes APO, FPO or DPO and its state comes from
//   the USPS military ranges (090-098 AE, 340 AA, 962-966 AP), because GeoNames labels Pacific
//   military ZIPs "AA"; one outside those ranges is dropped. Each row's place is the county
//   (admin name 2, empty for the military places) and the latitude and longitude of its line.
// - a CSV with the header ZIP,City,State (RFC 4180); several rows of one ZIP are its several names.
//   The header may go on with County,Latitude,Longitude: then each row gives its ZIP's place too.
// Either way a ZIP is five digits in one state, the state a USPS code and the city, its blanks
// trimmed, not empty; city, county and state are plain text (plainTextRefusal()).
//
// The first and last line that name a state.
struct LineRange {
    int first = 0;
    int last = 0;
};

struct ZipDataFile {
    enum class Format { GeoNamesDump, ZipCsv };

    // The file as the person named it.
    QString name;
    Format format = Format::ZipCsv;
    // The day the file was last changed; invalid when read from memory.
    QDate modified;
    // The rows in the file's order, as the rules make them.
    PackedRows rows;
    // Every state the rows name, with the lines that name it: the states a GeoNames dump is
    // complete for.
    QHash<QString, LineRange> states;
    // The places of the rows' ZIPs in the file's order, the first line of a ZIP giving its place
    // (GeoNames has one line a ZIP; a second would be the same spot under another name). None for
    // a CSV without the place columns: such a file says nothing of where its ZIPs lie.
    std::vector<ZipPlace> places;
    // The military GeoNames places the rules drop (ZIP and place; no state).
    std::vector<ZipRow> dropped;
};

// Why a file cannot be read as ZIP data. what() is the text a person reads: the file, the line
// when one is at fault, and the reason.
class ZipDataFileRefusal : public std::runtime_error
{
public:
    // Line 0 stands for the whole file.
    ZipDataFileRefusal(const QString &file, int line, const QString &reason);

    int line() const { return m_line; }
    const QString &reason() const { return m_reason; }

private:
    int m_line;
    QString m_reason;
};

// A file larger than this is refused before it is read: the whole US is a few megabytes.
inline constexpr qint64 kMaxZipDataFileBytes = 16 * 1024 * 1024;

// Reads the rest of the device, which the caller opened, as the file the name stands for. Throws a
// ZipDataFileRefusal, one that names the size before anything is decoded when the device holds
// more than kMaxZipDataFileBytes. A file takes about four times its size while it is read, and
// less than twice once read.
ZipDataFile readZipDataFile(QIODevice &device, const QString &name);
// The file at the path, with the day it was last changed. Refuses what is no regular file
// without reading it, so a pipe or a device never keeps the caller waiting.
ZipDataFile readZipDataFile(const QString &path);

// Sorts the rows by ZIP, city and state and keeps each once.
void sortUnique(std::vector<ZipRow> &rows);
