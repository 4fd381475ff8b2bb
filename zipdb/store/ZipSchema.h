#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <vector>

// The one owner of what a zip database holds: its tables, their columns and indexes, the texts
// that create them on SQLite and on PostgreSQL, and the files SQLite keeps beside a database.
// The data build, the checker of the shared folder's files and both stores read them here, so
// they cannot drift apart. A new table is one more entry in tables().
namespace zipschema {

struct Table {
    QString name;
    // Its columns in order, where a statement reads them by this list. The checker compares the
    // whole text that created the table.
    QStringList columns;
    // The only names its indexes may have; none listed allows any plain index.
    QStringList indexes;
    // The statements that create the table on SQLite, then its indexes there, which the data
    // build makes after the rows are in.
    QString sqliteCreate;
    QString sqliteIndexes;
    // The table and its indexes on the office's server; empty for a table kept only in files.
    QString postgresCreate;

    // "ZipCode, City, State"
    QString columnList() const;
    // "select ZipCode, City, State from ZipCodes"
    QString selectList() const;
};

// The ZIP rows, the same three columns in every file and on the server.
const Table &zipCodes();
// Where the rows came from; kept only in the database files.
const Table &provenance();
// Each ZIP's county and coordinates.
const Table &zipPlaces();
// Each import's rows for the ZIPs it spoke for, the base of the next; kept only in the files.
const Table &importedRows();
// The statements that write and read the places. The insert binds ZIP, county, latitude and
// longitude to ?1 .. ?4; the select reads the same four columns.
inline constexpr char kInsertZipPlaceSql[] = "insert into ZipPlaces values (?1, ?2, ?3, ?4)";
inline constexpr char kSelectZipPlacesSql[] = "select ZipCode, County, Latitude, Longitude from ZipPlaces";
// The columns of placedRowsInBoxSql(), the position first.
enum PlacedRowColumn { PlacedLatitude, PlacedLongitude, PlacedZip, PlacedCity, PlacedState, PlacedCounty };
// The ZIP rows whose ZIP's position lies in a box, each with its ZIP's place, read through the
// index on the position. The edges are SQL texts, literals or parameters, for south, north, west
// and east; a box across the antimeridian takes the longitudes from west up and from east down.
QString placedRowsInBoxSql(bool acrossAntimeridian, const std::array<QString, 4> &edges);
// Writes the places of a JSON array of [zip, county, latitude, longitude] arrays bound to ?1, each
// in place of the ZIP's place there was. A place that is already there as it is stays untouched,
// so its pages are neither journaled nor written again.
inline constexpr char kInsertZipPlacesFromJsonSql[] =
    "insert into ZipPlaces (ZipCode, County, Latitude, Longitude)"
    " select value ->> 0, value ->> 1, value ->> 2, value ->> 3 from json_each(?1) where true"
    " on conflict (ZipCode) do update set County = excluded.County, Latitude = excluded.Latitude,"
    " Longitude = excluded.Longitude"
    " where (County, Latitude, Longitude) is not (excluded.County, excluded.Latitude, excluded.Longitude)";
// The same for one place bound to ?1 .. ?4.
inline constexpr char kUpsertZipPlaceSql[] =
    "insert into ZipPlaces (ZipCode, County, Latitude, Longitude) values (?1, ?2, ?3, ?4)"
    " on conflict (ZipCode) do update set County = excluded.County, Latitude = excluded.Latitude,"
    " Longitude = excluded.Longitude"
    " where (County, Latitude, Longitude) is not (excluded.County, excluded.Latitude, excluded.Longitude)";
// Each ZIP's kind, time zone and residents, and the counties it spans, ranked from 0 by share.
const Table &zipProfiles();
const Table &zipCounties();
// The statements that read them; a ZIP's counties come in rank order. The SQL texts here bind $1,
// which both stores take.
inline constexpr char kSelectZipProfilesSql[] = "select ZipCode, Kind, TimeZone, Population, Density from ZipProfiles";
inline constexpr char kSelectZipCountiesSql[] = "select ZipCode, Fips, County, Share from ZipCounties";
inline constexpr char kProfileOfZipSql[] =
    "select ZipCode, Kind, TimeZone, Population, Density from ZipProfiles where ZipCode = $1";
inline constexpr char kCountiesOfZipSql[] =
    "select ZipCode, Fips, County, Share from ZipCounties where ZipCode = $1 order by Rank";
// The ZIP rows with a share in the county of FIPS code $1, with that share: largest first, the
// ZIPs without a share last, ties by ZIP and city.
inline constexpr char kRowsInCountySql[] =
    "select z.ZipCode, z.City, z.State, c.Share from ZipCounties c join ZipCodes z on z.ZipCode = c.ZipCode"
    " where c.Fips = $1 order by c.Share desc nulls last, z.ZipCode, z.City";
// The FIPS codes and names of the counties called $1 in any letter case whose code begins with $2.
inline constexpr char kCountiesNamedSql[] =
    "select distinct Fips, County from ZipCounties where lower(County) = lower(cast($1 as text)) and substr(Fips, 1, 2) = $2"
    " order by Fips";
// Every table a zip database may hold besides SQLite's own.
const std::vector<Table> &tables();
// The table of that name in any letter case, as SQLite matches names, or null.
const Table *findTable(const QString &name);

// The names SQLite gives the files it keeps beside a database, by their suffix.
inline constexpr std::array<const char *, 3> kJournalSuffixes{"-journal", "-wal", "-shm"};

} // namespace zipschema
