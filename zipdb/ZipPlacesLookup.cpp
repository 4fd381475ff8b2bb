#include "ZipPlacesLookup.h"

#include "ZipDatabaseFile.h"

#include <sqlite3.h>

#include <memory>
#include <stdexcept>

namespace {

struct StatementFinalizer {
    void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
};

} // namespace

QHash<QString, GeoPoint> readZipPlacesFromFile(const QString &databaseFile)
{
    const SqliteHandle db = openDatabaseFile(databaseFile, SQLITE_OPEN_READONLY);
    sqlite3_stmt *prepared = nullptr;
    // Read as numbers: a round trip through text would cost more than the query.
    if (sqlite3_prepare_v2(db.get(),
                           "select ZipCode, Latitude, Longitude from ZipPlaces "
                           "where typeof(Latitude) in ('real', 'integer') and typeof(Longitude) in ('real', 'integer')",
                           -1, &prepared, nullptr)
        != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db.get()));
    const std::unique_ptr<sqlite3_stmt, StatementFinalizer> rows(prepared);
    QHash<QString, GeoPoint> places;
    places.reserve(42'000);
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(rows.get())) == SQLITE_ROW) {
        const auto *zip = reinterpret_cast<const char *>(sqlite3_column_text(rows.get(), 0));
        places.insert(QString::fromUtf8(zip, sqlite3_column_bytes(rows.get(), 0)),
                      GeoPoint{sqlite3_column_double(rows.get(), 1), sqlite3_column_double(rows.get(), 2)});
    }
    if (step != SQLITE_DONE)
        throw std::runtime_error(sqlite3_errmsg(db.get()));
    return places;
}
