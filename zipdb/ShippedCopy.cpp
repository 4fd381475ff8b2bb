#include "ShippedCopy.h"

#include "Provenance.h"
#include "ZipImport.h"
#include "ZipQuery.h"

#include <QDir>

#include <sqlite3.h>

#include <stdexcept>

void ShippedCopy::Closer::operator()(sqlite3 *db) const
{
    sqlite3_close_v2(db);
}

ShippedCopy::ShippedCopy(const QString &path)
{
    sqlite3 *raw = nullptr;
    const int opened =
        sqlite3_open_v2(QDir::fromNativeSeparators(path).toUtf8().constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    m_db.reset(raw);
    if (opened != SQLITE_OK)
        throw std::runtime_error(QStringLiteral("Cannot read %1: %2")
                                     .arg(QDir::toNativeSeparators(path), QString::fromUtf8(sqlite3_errstr(opened)))
                                     .toStdString());
}

ShippedCopy::~ShippedCopy() = default;

std::vector<ZipRow> ShippedCopy::rows() const
{
    return readZipRows(ZipQuery(m_db.get(), QString::fromUtf8(kSelectZipRowsSql), {}));
}

std::vector<ProvenanceEntry> ShippedCopy::sources() const
{
    if (ZipQuery(m_db.get(), QString::fromUtf8(kHasProvenanceSql), {}).text(0) == u"0")
        return {};
    return readProvenance(ZipQuery(m_db.get(), QString::fromUtf8(kSelectProvenanceSql), {}));
}
