#pragma once

#include "GeoPoint.h"

#include <QHash>
#include <QString>

// The coordinates of every ZIP that has them, read from the ZipPlaces table of a zip database
// file (the working copy). Throws with SQLite's reason when the file or the table cannot be read.
// The map window's source of places until the store offers them itself.
QHash<QString, GeoPoint> readZipPlacesFromFile(const QString &databaseFile);
