#include "AboutText.h"

#include "AppInfo.h"
#include "Provenance.h"
#include "ShippedCopy.h"
#include "ZipImport.h"
#include "ZipRows.h"
#include "ZipStore.h"

#include <QStringList>

QString aboutText(ZipStore &store, const QString &pristineCopy)
{
    const ShippedCopy shipped(pristineCopy);
    const std::vector<ZipRow> rows = readZipRows(store);
    const ShippedDifferences differences = differencesFromShipped(shipped.rows(), rows);
    QStringList lines{appinfo::kDisplayName + QLatin1Char(' ') + appinfo::kVersion, QString()};
    lines += describeData(shipped.sources(), store.provenance());
    lines << QString()
          << QStringLiteral("The database holds %1 rows. ZIPs added, deleted or changed against the shipped data: "
                            "%2 added, %3 deleted, %4 changed.")
                 .arg(rows.size())
                 .arg(differences.added)
                 .arg(differences.deleted)
                 .arg(differences.changed)
          << QString()
          << QStringLiteral("ZIP data from GeoNames (https://www.geonames.org/), licensed under Creative Commons "
                            "Attribution 4.0 (https://creativecommons.org/licenses/by/4.0/). Territory ZIPs from the "
                            "npm package zipcodes, Copyright (c) 2007 Dav Glass, BSD licence. "
                            "ZIP counties, population and time zones from the SimpleMaps US ZIP Code Database "
                            "(https://simplemaps.com/data/us-zips), licensed under Creative Commons Attribution 4.0; "
                            "other ZIPs' time zones from the npm package tz-lookup (CC0). "
                            "Map outlines from the U.S. Census Bureau (public domain) as the npm package us-atlas, "
                            "Copyright 2013-2019 Michael Bostock, ISC licence.");
    return lines.join(u'\n');
}
