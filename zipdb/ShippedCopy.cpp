#include "ShippedCopy.h"

#include "Provenance.h"
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
