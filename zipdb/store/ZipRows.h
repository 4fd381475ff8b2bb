#pragma once

#include "PackedRows.h"
#include "ZipPlace.h"
#include "ZipProfile.h"
#include "ZipRow.h"

#include <vector>

class ZipQuery;
class ZipStatement;
class ZipStore;

// The rows a query of the ZipCodes table reads, sorted.
std::vector<ZipRow> readZipRows(ZipQuery &&query);
// The rows of a table of ZipCode, City and State (ZipCodes, ImportedRows) in its order, keeping
// their rowids or not; NULL reads as the empty text. The statements are the table's packedCountSql()
// and packedRowsSql(): the rows are counted first, so that their room is taken once, and a
// million rows are not copied as they grow.
QString packedCountSql(const QString &table);
QString packedRowsSql(const QString &table);
PackedRows readPackedRows(ZipStatement &&count, ZipStatement &&rows, PackedRows::Ids ids);
// Every row of a store, read through its search of the empty text.
std::vector<ZipRow> readZipRows(ZipStore &store);
// The place in the four columns from the first one on (ZIP, county, latitude, longitude) of the
// query's current row; no position where a coordinate is NULL.
ZipPlace readZipPlace(const ZipQuery &query, int first = 0);

// The profile in zipschema::kSelectZipProfilesSql's columns of a cursor's current row, without
// its counties; a kind the program does not know reads as a post office.
template <class Rows>
ZipProfile profileAt(const Rows &rows)
{
    ZipProfile profile;
    profile.zip = rows.text(0);
    profile.kind = kindFromText(rows.text(1)).value_or(ZipProfile::Kind::PostOffice);
    profile.timeZone = rows.text(2);
    // Read as a number, which no census figure outgrows, to spare a text a ZIP.
    if (!rows.isNull(3))
        profile.population = qint64(rows.number(3));
    if (!rows.isNull(4))
        profile.density = rows.number(4);
    return profile;
}

// The county in zipschema::kSelectZipCountiesSql's columns of a cursor's current row.
template <class Rows>
CountyShare countyAt(const Rows &rows)
{
    CountyShare county{rows.text(1), rows.text(2), std::nullopt};
    if (!rows.isNull(3))
        county.share = rows.number(3);
    return county;
}

// The profiles of two cursors in ZIP order, the counties in rank order within their ZIP, each
// county given to its ZIP's profile.
template <class Profiles, class Counties>
std::vector<ZipProfile> readZipProfiles(Profiles &profiles, Counties &counties)
{
    std::vector<ZipProfile> read;
    read.reserve(42'000);
    for (; !profiles.atEnd(); profiles.moveNext()) {
        ZipProfile &profile = read.emplace_back(profileAt(profiles));
        for (; !counties.atEnd(); counties.moveNext()) {
            const QString zip = counties.text(0);
            if (zip > profile.zip)
                break;
            if (zip == profile.zip)
                profile.counties.push_back(countyAt(counties));
        }
    }
    return read;
}
