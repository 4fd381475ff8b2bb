#include "ZipPlacesLookup.h"

#include "ZipDatabaseFile.h"
#include "ZipQuery.h"

#include <sqlite3.h>

QHash<QString, GeoPoint> readZipPlacesFromFile(const QString &databaseFile)
{
    const SqliteHandle db = openDatabaseFile(databaseFile, SQLITE_OPEN_READONLY);
    QHash<QString, GeoPoint> places;
    ZipQuery rows(db.get(),
                  QStringLiteral("select ZipCode, Latitude, Longitude from ZipPlaces "
                                 "where Latitude is not null and Longitude is not null"),
                  {});
    for (; !rows.atEnd(); rows.moveNext()) {
        bool latitudeRead = false;
        bool longitudeRead = false;
        const GeoPoint point{rows.text(1).toDouble(&latitudeRead), rows.text(2).toDouble(&longitudeRead)};
        if (latitudeRead && longitudeRead)
            places.insert(rows.text(0), point);
    }
    return places;
}
