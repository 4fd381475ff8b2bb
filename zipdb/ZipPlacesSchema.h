#pragma once

// The table of the ZIPs' places beside ZipCodes, which keeps its three columns: one row a ZIP,
// the county empty where unknown, NULL coordinates where unknown.
inline constexpr char kZipPlacesTable[] = "ZipPlaces";
inline constexpr const char *kZipPlacesColumns[] = {"ZipCode", "County", "Latitude", "Longitude"};
// The index SQLite makes for the primary key.
inline constexpr char kZipPlacesKeyIndex[] = "sqlite_autoindex_ZipPlaces_1";
inline constexpr char kCreateZipPlacesSql[] =
    "create table ZipPlaces (ZipCode TEXT PRIMARY KEY, County TEXT NOT NULL, Latitude REAL, Longitude REAL)";
// Binds ZIP, county, latitude and longitude to ?1 .. ?4.
inline constexpr char kInsertZipPlaceSql[] = "insert into ZipPlaces values (?1, ?2, ?3, ?4)";
// The places by ZIP, the coordinates as plain decimal text to a ten-billionth of a degree (a
// REAL's own text may take an exponent) and empty where NULL.
inline constexpr char kSelectZipPlacesSql[] =
    "select ZipCode, County, iif(Latitude is null, '', printf('%.10f', Latitude)),"
    " iif(Longitude is null, '', printf('%.10f', Longitude)) from ZipPlaces order by ZipCode";
