#include "ZipSchema.h"

namespace zipschema {

QString Table::columnList() const
{
    return columns.join(QStringLiteral(", "));
}

QString Table::selectList() const
{
    return QStringLiteral("select ") + columnList() + QStringLiteral(" from ") + name;
}

QString placedRowsInBoxSql(bool acrossAntimeridian, const std::array<QString, 4> &edges)
{
    const QString longitudes = acrossAntimeridian ? QStringLiteral("(p.Longitude >= %3 or p.Longitude <= %4)")
                                                  : QStringLiteral("p.Longitude between %3 and %4");
    return (QStringLiteral("select p.Latitude, p.Longitude, z.ZipCode, z.City, z.State, p.County"
                           " from ZipPlaces p join ZipCodes z on z.ZipCode = p.ZipCode"
                           " where p.Latitude between %1 and %2 and ")
            + longitudes)
        .arg(edges[0], edges[1], edges[2], edges[3]);
}

const std::vector<Table> &tables()
{
    static const std::vector<Table> all = {
        {QStringLiteral("ZipCodes"),
         {QStringLiteral("ZipCode"), QStringLiteral("City"), QStringLiteral("State")},
         {QStringLiteral("ZipCodes_ZipCode")},
         QStringLiteral("create table ZipCodes (ZipCode TEXT, City TEXT, State TEXT)"),
         // Keeps the ZIP order cheap and the look-up of one ZIP fast.
         QStringLiteral("create index ZipCodes_ZipCode on ZipCodes (ZipCode)"),
         // Byte order and ASCII-only case folding are the C collation's, whatever the server's
         // default; the folded columns have indexes of their own, so a search that begins with
         // text reads no more than the rows it lists.
         QStringLiteral("create table ZipCodes (ZipCode text collate \"C\", City text collate \"C\","
                        " State text collate \"C\");"
                        " create index ZipCodes_ZipCode on ZipCodes (ZipCode);"
                        " create index ZipCodes_ZipCodeFolded on ZipCodes (lower(ZipCode collate \"C\"));"
                        " create index ZipCodes_CityFolded on ZipCodes (lower(City collate \"C\"));"
                        " create index ZipCodes_StateFolded on ZipCodes (lower(State collate \"C\"))")},
        {QStringLiteral("Provenance"),
         {},
         {},
         QStringLiteral("create table if not exists Provenance (Source TEXT, Version TEXT, DataDate TEXT, Licence TEXT,"
                        " Rows INTEGER, ImportedOn TEXT, Added INTEGER, Removed INTEGER, Renamed INTEGER,"
                        " Kept INTEGER)"),
         {},
         {}},
        // Each ZIP's place beside its rows, which keep their three columns: the county empty and
        // the coordinates NULL where unknown.
        {QStringLiteral("ZipPlaces"),
         {QStringLiteral("ZipCode"), QStringLiteral("County"), QStringLiteral("Latitude"), QStringLiteral("Longitude")},
         // The index SQLite makes for the primary key, and the one that narrows a search by distance
         // to the ZIPs in a box of latitudes and longitudes.
         {QStringLiteral("sqlite_autoindex_ZipPlaces_1"), QStringLiteral("ZipPlaces_Position")},
         QStringLiteral("create table ZipPlaces (ZipCode TEXT PRIMARY KEY, County TEXT NOT NULL, Latitude REAL,"
                        " Longitude REAL)"),
         QStringLiteral("create index ZipPlaces_Position on ZipPlaces (Latitude, Longitude)"),
         QStringLiteral("create table ZipPlaces (ZipCode text collate \"C\" primary key, County text not null,"
                        " Latitude double precision, Longitude double precision);"
                        " create index ZipPlaces_Position on ZipPlaces (Latitude, Longitude)")},
        // What the imports wrote for the ZIPs they spoke for, where it differs from the shipped rows:
        // the next import's base. A ZIP an import removed has one row with NULL city and state. The
        // shipped copy holds it empty, so a reset clears it with the rows.
        {QStringLiteral("ImportedRows"),
         {QStringLiteral("ZipCode"), QStringLiteral("City"), QStringLiteral("State")},
         {},
         QStringLiteral("create table if not exists ImportedRows (ZipCode TEXT, City TEXT, State TEXT)"),
         {},
         {}},
        // A ZIP's profile, for the shipped ZIPs only: one added by hand has none. Both tables are
        // kept in the order of their keys, so reading them by ZIP is a plain scan.
        {QStringLiteral("ZipProfiles"),
         {QStringLiteral("ZipCode"), QStringLiteral("Kind"), QStringLiteral("TimeZone"), QStringLiteral("Population"),
          QStringLiteral("Density")},
         // No index of its own: its key orders it.
         {QStringLiteral("sqlite_autoindex_ZipProfiles_1")},
         QStringLiteral("create table ZipProfiles (ZipCode TEXT PRIMARY KEY, Kind TEXT NOT NULL, TimeZone TEXT NOT NULL,"
                        " Population INTEGER, Density REAL) without rowid"),
         {},
         QStringLiteral("create table ZipProfiles (ZipCode text collate \"C\" primary key, Kind text not null,"
                        " TimeZone text not null, Population bigint, Density double precision)")},
        // One row for each county a ZIP spans; the share NULL for a ZIP without residents' area.
        {QStringLiteral("ZipCounties"),
         {QStringLiteral("ZipCode"), QStringLiteral("Rank"), QStringLiteral("Fips"), QStringLiteral("County"),
          QStringLiteral("Share")},
         // The one that finds a county's ZIPs.
         {QStringLiteral("sqlite_autoindex_ZipCounties_1"), QStringLiteral("ZipCounties_Fips")},
         QStringLiteral("create table ZipCounties (ZipCode TEXT NOT NULL, Rank INTEGER NOT NULL, Fips TEXT NOT NULL,"
                        " County TEXT NOT NULL, Share REAL, PRIMARY KEY (ZipCode, Rank)) without rowid"),
         QStringLiteral("create index ZipCounties_Fips on ZipCounties (Fips)"),
         QStringLiteral("create table ZipCounties (ZipCode text collate \"C\" not null, Rank integer not null,"
                        " Fips text collate \"C\" not null, County text not null, Share double precision,"
                        " primary key (ZipCode, Rank));"
                        " create index ZipCounties_Fips on ZipCounties (Fips)")},
    };
    return all;
}

const Table &zipCodes()
{
    return tables()[0];
}

const Table &provenance()
{
    return tables()[1];
}

const Table &zipPlaces()
{
    return tables()[2];
}

const Table &importedRows()
{
    return tables()[3];
}

const Table &zipProfiles()
{
    return tables()[4];
}

const Table &zipCounties()
{
    return tables()[5];
}

const Table *findTable(const QString &name)
{
    for (const Table &table : tables()) {
        if (table.name.compare(name, Qt::CaseInsensitive) == 0)
            return &table;
    }
    return nullptr;
}

} // namespace zipschema
