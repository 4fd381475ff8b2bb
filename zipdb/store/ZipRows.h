#pragma once

#include "PackedRows.h"
#include "ZipPlace.h"
#include "ZipProfile.h"
#include "ZipRow.h"

#include <QAnyStringView>
#include <QByteArray>
#include <QHash>
#include <QUtf8StringView>

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

// Texts that recur from row to row of a bulk read (a time zone, a county's name and code), each
// kept once and shared by every row that holds it: a whole table's read spares an allocation a
// field, and its holders the memory.
class RepeatedTexts
{
public:
    QString text(QUtf8StringView utf8)
    {
        // Rows in ZIP order often repeat the last text outright.
        if (QAnyStringView::equal(utf8, m_last))
            return m_last;
        // A key over the cursor's bytes, copied only when the text is new.
        auto found = m_texts.constFind(QByteArray::fromRawData(utf8.data(), utf8.size()));
        if (found == m_texts.cend())
            found = m_texts.insert(QByteArray(utf8.data(), utf8.size()), utf8.toString());
        m_last = *found;
        return m_last;
    }

private:
    QHash<QByteArray, QString> m_texts;
    QString m_last;
};

// The place in the four columns from the first one on (ZIP, county, latitude, longitude) of the
// query's current row; no position where a coordinate is NULL.
ZipPlace readZipPlace(const ZipQuery &query, int first, RepeatedTexts &counties);
inline ZipPlace readZipPlace(const ZipQuery &query, int first = 0)
{
    RepeatedTexts once;
    return readZipPlace(query, first, once);
}

// The profile in zipschema::kSelectZipProfilesSql's columns of a cursor's current row, without
// its counties; a kind the program does not know reads as a post office.
template <class Rows>
ZipProfile profileAt(const Rows &rows, RepeatedTexts &repeated)
{
    ZipProfile profile;
    profile.zip = rows.text(0);
    profile.kind = kindFromText(repeated.text(rows.utf8Text(1))).value_or(ZipProfile::Kind::PostOffice);
    profile.timeZone = repeated.text(rows.utf8Text(2));
    // Read as a number, which no census figure outgrows, to spare a text a ZIP.
    if (!rows.isNull(3))
        profile.population = qint64(rows.number(3));
    if (!rows.isNull(4))
        profile.density = rows.number(4);
    return profile;
}

// The county in zipschema::kSelectZipCountiesSql's columns of a cursor's current row.
template <class Rows>
CountyShare countyAt(const Rows &rows, RepeatedTexts &repeated)
{
    CountyShare county{repeated.text(rows.utf8Text(1)), repeated.text(rows.utf8Text(2)), std::nullopt};
    if (!rows.isNull(3))
        county.share = rows.number(3);
    return county;
}

// The profile of the ZIP whose row `profile` is on, with the counties `counties` lists for it.
template <class Rows>
ZipProfile profileWithCounties(const Rows &profile, Rows &&counties)
{
    RepeatedTexts repeated;
    ZipProfile read = profileAt(profile, repeated);
    for (; !counties.atEnd(); counties.moveNext())
        read.counties.push_back(countyAt(counties, repeated));
    return read;
}

// The profiles of two cursors in ZIP order, the counties in rank order within their ZIP, each
// county given to its ZIP's profile.
template <class Profiles, class Counties>
std::vector<ZipProfile> readZipProfiles(Profiles &profiles, Counties &counties)
{
    RepeatedTexts repeated;
    std::vector<ZipProfile> read;
    read.reserve(42'000);
    for (; !profiles.atEnd(); profiles.moveNext()) {
        ZipProfile &profile = read.emplace_back(profileAt(profiles, repeated));
        for (; !counties.atEnd(); counties.moveNext()) {
            const int order = QAnyStringView::compare(counties.utf8Text(0), profile.zip);
            if (order > 0)
                break;
            if (order == 0)
                profile.counties.push_back(countyAt(counties, repeated));
        }
    }
    return read;
}
