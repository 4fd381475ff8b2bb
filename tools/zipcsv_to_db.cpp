// Build step: turns data/zipcodes.csv, read by the program's own rules, into the shipped SQLite
// database dbZipsOriginal.mdb, with the sources that data/zipcodes-sources.csv lists as its
// provenance, and the places of data/zipplaces.csv and the profiles of data/zipprofiles.csv
// (with the sources of data/zipprofiles-sources.csv) beside the rows.
// Usage: zipcsv_to_db zipcodes.csv zipcodes-sources.csv zipplaces.csv zipprofiles.csv
//        zipprofiles-sources.csv dbZipsOriginal.mdb
#include "Provenance.h"
#include "ZipDataFile.h"
#include "ZipPlace.h"
#include "ZipProfile.h"
#include "ZipSchema.h"

#include <QFile>
#include <QSet>

#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct DbCloser {
    void operator()(sqlite3 *db) const { sqlite3_close(db); }
};
struct StatementFinalizer {
    void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
};

void check(sqlite3 *db, int result)
{
    if (result != SQLITE_OK && result != SQLITE_DONE)
        throw std::runtime_error(sqlite3_errmsg(db));
}

void exec(sqlite3 *db, const QString &sql)
{
    check(db, sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr));
}

using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

Statement prepare(sqlite3 *db, const char *sql)
{
    sqlite3_stmt *raw = nullptr;
    check(db, sqlite3_prepare_v2(db, sql, -1, &raw, nullptr));
    return Statement(raw);
}

void insert(sqlite3 *db, sqlite3_stmt *statement, const QStringList &values)
{
    for (int i = 0; i < values.size(); ++i) {
        const QByteArray value = values[i].toUtf8();
        check(db, sqlite3_bind_text(statement, i + 1, value.constData(), int(value.size()), SQLITE_TRANSIENT));
    }
    check(db, sqlite3_step(statement));
    sqlite3_reset(statement);
}

QByteArray contentsOf(const std::string &path)
{
    QFile file(QString::fromLocal8Bit(path));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(path + ": " + file.errorString().toStdString());
    return file.readAll();
}

std::vector<ProvenanceEntry> readSources(const std::string &path)
{
    const QByteArray list = contentsOf(path);
    try {
        return readSourceList(list);
    } catch (const std::runtime_error &bad) {
        throw std::runtime_error(path + ", " + bad.what());
    }
}

// The places, one for each ZIP of the rows and none for another ZIP: a place without rows could
// never be shown, and a ZIP without one would lose its place at the next data renewal unnoticed.
std::vector<ZipPlace> readPlaces(const std::string &path, const std::vector<ZipRow> &rows)
{
    std::vector<ZipPlace> places = readZipPlacesCsv(contentsOf(path), QString::fromLocal8Bit(path));
    QSet<QString> zips;
    for (const ZipRow &row : rows)
        zips.insert(row.zip);
    for (const ZipPlace &place : places) {
        if (!zips.remove(place.zip))
            throw std::runtime_error(path + ": a place for " + place.zip.toStdString() + ", which has no rows");
    }
    if (!zips.isEmpty())
        throw std::runtime_error(path + ": no place for " + zips.begin()->toStdString() + " and "
                                 + std::to_string(zips.size() - 1) + " other ZIPs");
    return places;
}

// The profiles, each of a ZIP of the rows; a ZIP without one is a ZIP a person might have added.
std::vector<ZipProfile> readProfiles(const std::string &path, const std::vector<ZipPlace> &places)
{
    std::vector<ZipProfile> profiles = readZipProfilesCsv(contentsOf(path), QString::fromLocal8Bit(path));
    QSet<QString> zips;
    for (const ZipPlace &place : places)
        zips.insert(place.zip);
    for (const ZipProfile &profile : profiles)
        if (!zips.contains(profile.zip))
            throw std::runtime_error(path + ": a profile for " + profile.zip.toStdString() + ", which has no rows");
    return profiles;
}

void bindOptional(sqlite3 *db, sqlite3_stmt *statement, int index, const std::optional<double> &value)
{
    check(db, value ? sqlite3_bind_double(statement, index, *value) : sqlite3_bind_null(statement, index));
}

void insertProfile(sqlite3 *db, sqlite3_stmt *profileRow, sqlite3_stmt *countyRow, const ZipProfile &profile)
{
    for (int rank = 0; rank < int(profile.counties.size()); ++rank) {
        const CountyShare &county = profile.counties[size_t(rank)];
        check(db, sqlite3_bind_int(countyRow, 5, rank));
        bindOptional(db, countyRow, 4, county.share);
        insert(db, countyRow, {profile.zip, county.fips, county.name});
    }
    bindOptional(db, profileRow, 4, profile.population ? std::optional(double(*profile.population)) : std::nullopt);
    bindOptional(db, profileRow, 5, profile.density);
    insert(db, profileRow, {profile.zip, kindText(profile.kind), profile.timeZone});
}

void insertPlace(sqlite3 *db, sqlite3_stmt *statement, const ZipPlace &place)
{
    const QByteArray zip = place.zip.toUtf8();
    const QByteArray county = place.county.toUtf8();
    check(db, sqlite3_bind_text(statement, 1, zip.constData(), int(zip.size()), SQLITE_TRANSIENT));
    check(db, sqlite3_bind_text(statement, 2, county.constData(), int(county.size()), SQLITE_TRANSIENT));
    check(db, place.position ? sqlite3_bind_double(statement, 3, place.position->latitude) : sqlite3_bind_null(statement, 3));
    check(db, place.position ? sqlite3_bind_double(statement, 4, place.position->longitude) : sqlite3_bind_null(statement, 4));
    check(db, sqlite3_step(statement));
    sqlite3_reset(statement);
}

struct Inputs {
    std::string rows, sources, places, profiles, profileSources;
};

void build(const Inputs &inputs, const std::string &dbPath)
{
    const std::vector<ZipRow> rows = readZipDataFile(QString::fromLocal8Bit(inputs.rows)).rows.unpacked();
    std::vector<ProvenanceEntry> sources = readSources(inputs.sources);
    for (ProvenanceEntry &source : readSources(inputs.profileSources))
        sources.push_back(std::move(source));
    const std::vector<ZipPlace> places = readPlaces(inputs.places, rows);
    const std::vector<ZipProfile> profiles = readProfiles(inputs.profiles, places);
    std::filesystem::remove(dbPath);
    sqlite3 *raw = nullptr;
    const int opened = sqlite3_open(dbPath.c_str(), &raw);
    std::unique_ptr<sqlite3, DbCloser> db(raw);
    check(db.get(), opened);
    const zipschema::Table &zipCodes = zipschema::zipCodes();
    exec(db.get(), zipCodes.sqliteCreate);
    exec(db.get(), QStringLiteral("begin"));
    exec(db.get(), zipschema::provenance().sqliteCreate);
    exec(db.get(), zipschema::zipPlaces().sqliteCreate);
    exec(db.get(), zipschema::importedRows().sqliteCreate);
    exec(db.get(), zipschema::zipProfiles().sqliteCreate);
    exec(db.get(), zipschema::zipCounties().sqliteCreate);
    {
        const Statement zipRow = prepare(db.get(), "insert into ZipCodes values (?1, ?2, ?3)");
        for (const ZipRow &row : rows)
            insert(db.get(), zipRow.get(), {row.zip, row.city, row.state});
        const Statement source = prepare(db.get(), kInsertProvenanceSql);
        for (const ProvenanceEntry &entry : sources)
            insert(db.get(), source.get(), provenanceValues(entry));
        const Statement place = prepare(db.get(), zipschema::kInsertZipPlaceSql);
        for (const ZipPlace &each : places)
            insertPlace(db.get(), place.get(), each);
        // Numbered by the order of the inserts' own placeholders: the texts first.
        const Statement profileRow = prepare(db.get(), "insert into ZipProfiles (ZipCode, Kind, TimeZone, Population,"
                                                       " Density) values (?1, ?2, ?3, ?4, ?5)");
        const Statement countyRow = prepare(db.get(), "insert into ZipCounties (ZipCode, Fips, County, Share, Rank)"
                                                      " values (?1, ?2, ?3, ?4, ?5)");
        for (const ZipProfile &each : profiles)
            insertProfile(db.get(), profileRow.get(), countyRow.get(), each);
    }
    // Indexed after the rows are in: one sort instead of an index update per row.
    exec(db.get(), zipCodes.sqliteIndexes);
    exec(db.get(), zipschema::zipPlaces().sqliteIndexes);
    exec(db.get(), zipschema::zipCounties().sqliteIndexes);
    exec(db.get(), QStringLiteral("commit"));
    std::cout << "wrote " << rows.size() << " rows, " << places.size() << " places and " << profiles.size()
              << " profiles to " << dbPath << "\n";
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 7) {
        std::cerr << "usage: zipcsv_to_db zipcodes.csv zipcodes-sources.csv zipplaces.csv zipprofiles.csv"
                     " zipprofiles-sources.csv dbZipsOriginal.mdb\n";
        return 2;
    }
    // Built beside the target and renamed over it, so an interrupted build never leaves a partial
    // database that looks newer than its CSV.
    const std::string target = argv[6];
    const std::string partial = target + ".partial";
    try {
        build({argv[1], argv[2], argv[3], argv[4], argv[5]}, partial);
        std::filesystem::rename(partial, target);
    } catch (const std::exception &failure) {
        std::cerr << "zipcsv_to_db: " << failure.what() << "\n";
        std::filesystem::remove(partial);
        return 1;
    }
    return 0;
}
