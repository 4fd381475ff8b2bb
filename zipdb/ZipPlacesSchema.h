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
inline constexpr char kSelectZipPlacesSql[] =
    "select ZipCode, County, Latitude, Longitude from ZipPlaces order by ZipCode";
