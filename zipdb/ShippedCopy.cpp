#include "ShippedCopy.h"

#include "Provenance.h"
#include "ZipPlace.h"
#include "ZipPlacesSchema.h"
#include "ZipQuery.h"
#include "ZipRows.h"
#include "ZipSchema.h"

#include <sqlite3.h>

ShippedCopy::ShippedCopy(const QString &path) : m_db(openDatabaseFile(path, SQLITE_OPEN_READONLY)) {}

ShippedCopy::~ShippedCopy() = default;

std::vector<ZipRow> ShippedCopy::rows() const
{
    return readZipRows(ZipQuery(m_db.get(), zipschema::zipCodes().selectList(), {}));
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
    for (ZipQuery place(m_db.get(), QString::fromUtf8(kSelectZipPlacesSql), {}); !place.atEnd(); place.moveNext())
        places.push_back(placeFromText(place.text(0), place.text(1), place.text(2), place.text(3)));
    return places;
}
