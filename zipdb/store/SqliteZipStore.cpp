#include "SqliteZipStore.h"

#include "DataFolder.h"
#include "GreatCircle.h"
#include "Provenance.h"
#include "WorkingCopy.h"
#include "ZipEdits.h"
#include "ZipImport.h"
#include "ZipQuery.h"
#include "ZipRows.h"
#include "ZipSchema.h"
#include "ZipSearch.h"

#include <stdexcept>

SqliteZipStore::SqliteZipStore(StoreLocations locations) : m_locations(std::move(locations)) {}

void SqliteZipStore::open()
{
    m_connection.open(m_locations.workingCopy);
    try {
        upgradeWorkingCopy(m_connection, m_locations.pristineCopy);
    } catch (const std::runtime_error &) {
        m_connection.close();
        throw;
    }
}

bool SqliteZipStore::isOpen() const
{
    return m_connection.isOpen();
}

void SqliteZipStore::close()
{
    m_connection.close();
}

std::unique_ptr<ZipCursor> SqliteZipStore::search(const QString &text)
{
    return std::make_unique<ZipQuery>(openZipSearch(m_connection, text));
}

bool SqliteZipStore::exists(const QString &zip)
{
    return zipExists(m_connection, zip);
}

bool SqliteZipStore::add(const QString &zip, const QString &city, const QString &state)
{
    return addZipRow(m_connection, zip, city, state);
}

int SqliteZipStore::remove(const QString &zip)
{
    return deleteZip(m_connection, zip);
}

void SqliteZipStore::reset()
{
    resetWorkingCopy(m_locations.pristineCopy, m_locations.workingCopy);
}

QString SqliteZipStore::importRefusal() const
{
    return {};
}

ImportPlan SqliteZipStore::planImport(const ZipImport &import)
{
    return import.plan(m_connection);
}

ImportPlan SqliteZipStore::applyImport(const ZipImport &import)
{
    return import.apply(m_connection);
}

std::optional<ZipPlace> SqliteZipStore::place(const QString &zip)
{
    const ZipQuery found = m_connection.query(QString::fromUtf8(zipschema::kSelectZipPlacesSql)
                                                  + QStringLiteral(" where ZipCode = ?1"),
                                              {zip});
    if (found.atEnd())
        return std::nullopt;
    return readZipPlace(found);
}

QHash<QString, ZipPlace> SqliteZipStore::places()
{
    QHash<QString, ZipPlace> places;
    places.reserve(42'000);
    RepeatedTexts counties;
    for (ZipQuery place = m_connection.query(QString::fromUtf8(zipschema::kSelectZipPlacesSql)); !place.atEnd();
         place.moveNext()) {
        ZipPlace read = readZipPlace(place, 0, counties);
        places.insert(read.zip, std::move(read));
    }
    return places;
}

std::optional<ZipProfile> SqliteZipStore::profile(const QString &zip)
{
    const ZipQuery found = m_connection.query(QString::fromUtf8(zipschema::kProfileOfZipSql), {zip});
    if (found.atEnd())
        return std::nullopt;
    return profileWithCounties(found, m_connection.query(QString::fromUtf8(zipschema::kCountiesOfZipSql), {zip}));
}

std::vector<ZipProfile> SqliteZipStore::profiles()
{
    ZipQuery profiles = m_connection.query(QString::fromUtf8(zipschema::kSelectZipProfilesSql)
                                           + QStringLiteral(" order by ZipCode"));
    ZipQuery counties = m_connection.query(QString::fromUtf8(zipschema::kSelectZipCountiesSql)
                                           + QStringLiteral(" order by ZipCode, Rank"));
    return readZipProfiles(profiles, counties);
}

std::vector<CountyRow> SqliteZipStore::rowsInCounty(const QString &fips)
{
    std::vector<CountyRow> rows;
    for (ZipQuery row = m_connection.query(QString::fromUtf8(zipschema::kRowsInCountySql), {fips}); !row.atEnd();
         row.moveNext())
        rows.push_back({{row.text(ZipCodeColumn), row.text(CityColumn), row.text(StateColumn)},
                        row.isNull(3) ? std::nullopt : std::optional(row.number(3))});
    return rows;
}

std::vector<CountyShare> SqliteZipStore::countiesNamed(const QString &name, const QString &stateFips)
{
    std::vector<CountyShare> counties;
    for (ZipQuery county = m_connection.query(QString::fromUtf8(zipschema::kCountiesNamedSql), {name, stateFips});
         !county.atEnd(); county.moveNext())
        counties.push_back({county.text(0), county.text(1), std::nullopt});
    return counties;
}

std::unique_ptr<ZipCursor> SqliteZipStore::candidatesIn(const GeoBox &box)
{
    // The edges go in as literals, which SQLite compares with the coordinates as they are, and
    // they read back exact.
    const QString sql = zipschema::placedRowsInBoxSql(box.west > box.east,
                                                      {coordinateText(box.south), coordinateText(box.north),
                                                       coordinateText(box.west), coordinateText(box.east)});
    return std::make_unique<ZipQuery>(m_connection.query(sql));
}

std::vector<ProvenanceEntry> SqliteZipStore::provenance()
{
    if (isOpen())
        return provenanceOf(m_connection);
    // A machine that never started the window has no working copy, and so no imports.
    if (!fileExists(m_locations.workingCopy))
        return {};
    ZipConnection working;
    working.open(m_locations.workingCopy);
    return provenanceOf(working);
}
