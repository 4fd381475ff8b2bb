#include "ShippedCopy.h"

#include "Provenance.h"
#include "ZipPlace.h"
#include "ZipQuery.h"
#include "ZipRows.h"
#include "ZipSchema.h"
#include "ZipStatement.h"

#include <sqlite3.h>

ShippedCopy::ShippedCopy(const QString &path) : m_db(openDatabaseFile(path, SQLITE_OPEN_READONLY)) {}

ShippedCopy::~ShippedCopy() = default;

std::vector<ZipRow> ShippedCopy::rows() const
{
    return readZipRows(ZipQuery(m_db.get(), zipschema::zipCodes().selectList(), {}));
}

PackedRows ShippedCopy::packedRows() const
{
    const QString &table = zipschema::zipCodes().name;
    PackedRows packed = readPackedRows(ZipStatement(m_db.get(), packedCountSql(table)),
                                       ZipStatement(m_db.get(), packedRowsSql(table)), PackedRows::Ids::Dropped);
    packed.sort();
    return packed;
}

std::vector<ProvenanceEntry> ShippedCopy::sources() const
{
    if (ZipQuery(m_db.get(), QString::fromUtf8(kHasProvenanceSql), {}).text(0) == u"0")
        return {};
    return readProvenance(ZipQuery(m_db.get(), QString::fromUtf8(kSelectProvenanceSql), {}));
}

std::vector<ZipPlace> ShippedCopy::places() const
{
    std::vector<ZipPlace> places;
    const QString byZip = QString::fromUtf8(zipschema::kSelectZipPlacesSql) + QStringLiteral(" order by ZipCode");
    for (ZipQuery place(m_db.get(), byZip, {}); !place.atEnd(); place.moveNext())
        places.push_back(readZipPlace(place));
    return places;
}

std::vector<ZipProfile> ShippedCopy::profiles() const
{
    ZipQuery profiles(m_db.get(), QString::fromUtf8(zipschema::kSelectZipProfilesSql) + QStringLiteral(" order by ZipCode"), {});
    ZipQuery counties(m_db.get(), QString::fromUtf8(zipschema::kSelectZipCountiesSql) + QStringLiteral(" order by ZipCode, Rank"),
                      {});
    return readZipProfiles(profiles, counties);
}
