#pragma once

#include "GeoPoint.h"
#include "ZipRow.h"

#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

class QByteArray;

// Where a ZIP lies, kept beside its rows: one place a ZIP.
struct ZipPlace {
    QString zip;
    // The county, or parish or borough; empty where the source names none (the military ZIPs).
    QString county;
    // None where the source gives no coordinates.
    std::optional<GeoPoint> position;

    bool operator==(const ZipPlace &) const = default;
};

// One row of the ZIP table with its ZIP's place and its distance from the centre of a "near" query.
struct NearbyRow {
    ZipRow row;
    ZipPlace place;
    // Great-circle miles (milesBetween()) from the centre ZIP's position.
    double miles = 0;
};

// Sorts the rows of a near query nearest first (ties by ZIP, then city, then state), the centre
// ZIP's own rows first of all, so that another ZIP on the very same spot comes after them.
void sortNearestFirst(std::vector<NearbyRow> &rows, const QString &centreZip);

// A place from the texts of a data file. The coordinates are plain decimal degrees ("42.3535",
// "-71.1329"), both given or both empty. Throws std::runtime_error with the reason, naming the
// ZIP, for a county that is no plain text (plainTextRefusal()), a coordinate that is no such
// number or lies outside -90..90 (latitude) or -180..180 (longitude), or one coordinate without
// the other.
ZipPlace placeFromText(QStringView zip, QStringView county, QStringView latitude, QStringView longitude);
// A coordinate as the data files write it: the shortest decimal text that reads back as the same number.
QString coordinateText(double degrees);
// The shortest decimal text of a number, found from its digits when it has at most `decimals`
// of them, as the data's figures have, and through the general conversion otherwise.
QString shortestDecimalText(double number, int decimals);

// Appends the place as the JSON array [zip, county, latitude, longitude], followed by a comma, the
// coordinates null where unknown (zipschema::kInsertZipPlacesFromJsonSql reads such arrays).
void appendJsonPlace(QString &json, const ZipPlace &place);

// The shipped places (data/zipplaces.csv): the header ZipCode,County,Latitude,Longitude, then one
// RFC 4180 line a ZIP in the places' order, empty coordinates where unknown.
QByteArray zipPlacesCsv(const std::vector<ZipPlace> &places);
// Reads that file. Throws std::runtime_error naming the file, the line and the reason, as the
// refusals of a ZIP data file do; a ZIP on two lines is refused.
std::vector<ZipPlace> readZipPlacesCsv(const QByteArray &csv, const QString &name);
