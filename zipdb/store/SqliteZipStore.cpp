#include "SqliteZipStore.h"

#include "DataFolder.h"
#include "GreatCircle.h"
#include "Provenance.h"
#include "WorkingCopy.h"
#include "ZipCursor.h"
#include "ZipEdits.h"
#include "ZipImport.h"
#include "ZipQuery.h"
#include "ZipRows.h"
#include "ZipSchema.h"
#include "ZipSearch.h"

#include <stdexcept>

namespace {

class SqliteCursor : public ZipCursor
{
public:
    explicit SqliteCursor(ZipQuery query) : m_query(std::move(query)) {}

    bool atEnd() const override { return m_query.atEnd(); }
    QString text(int column) const override { return m_query.text(column); }
    void moveNext() override { m_query.moveNext(); }

private:
    ZipQuery m_query;
};

} // namespace

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
    return std::make_unique<SqliteCursor>(openZipSearch(m_connection, text));
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
    for (ZipQuery place = m_connection.query(QString::fromUtf8(zipschema::kSelectZipPlacesSql)); !place.atEnd();
         place.moveNext()) {
        ZipPlace read = readZipPlace(place);
        places.insert(read.zip, std::move(read));
    }
    return places;
}

std::vector<NearbyRow> SqliteZipStore::rowsNear(const QString &zip, double miles)
{
    const std::optional<ZipPlace> centre = place(zip);
    if (!centre || !centre->position)
        return {};
    // The index on latitude and longitude reads only the box around the circle; the join to the
    // rows is by the ZIP index. The box's edges are widened by a hair so that rounding in them
    // cannot drop a ZIP right on the circle; they go in as literals, which SQLite compares with
    // the coordinates as they are, and they read back exact.
    const GeoPoint at = *centre->position;
    const GeoBox box = boxAround(at, miles);
    constexpr double kHair = 1e-9;
    const QString longitudes = box.west > box.east ? QStringLiteral("(p.Longitude >= %3 or p.Longitude <= %4)")
                                                   : QStringLiteral("p.Longitude between %3 and %4");
    const QString sql = (QStringLiteral("select p.Latitude, p.Longitude, z.ZipCode, z.City, z.State, p.County"
                                        " from ZipPlaces p join ZipCodes z on z.ZipCode = p.ZipCode"
                                        " where p.Latitude between %1 and %2 and ")
                         + longitudes)
                            .arg(coordinateText(box.south - kHair), coordinateText(box.north + kHair),
                                 coordinateText(box.west - kHair), coordinateText(box.east + kHair));
    std::vector<NearbyRow> near;
    for (ZipQuery candidate = m_connection.query(sql); !candidate.atEnd(); candidate.moveNext()) {
        // Measured before any text is read, so the corners of the box outside the circle cost none.
        const GeoPoint position{candidate.number(0), candidate.number(1)};
        const double distance = milesBetween(at, position);
        if (!(distance <= miles))
            continue;
        const QString rowZip = candidate.text(2);
        near.push_back({{rowZip, candidate.text(3), candidate.text(4)}, {rowZip, candidate.text(5), position}, distance});
    }
    sortNearestFirst(near, zip);
    return near;
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
