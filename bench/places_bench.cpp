// Where a ZIP lies: the ZIPs within 25 miles of a ZIP through the embedded store, beside a bare
// SQLite query that reads the same rows; and the upgrade of a working copy made by 1.0 (the
// rows alone), or by 1.0 with places, to one with the places and profiles. Run: build/bin/places_bench
#include "BenchMachine.h"
#include "GreatCircle.h"
#include "SqliteZipStore.h"

#include <QCoreApplication>

#include "FigureReporter.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

// Midtown Manhattan, where 25 miles hold the most rows of any ZIP.
const QString kCentre = QStringLiteral("10001");
constexpr double kMiles = 25;

SqliteZipStore &openStore()
{
    static SqliteZipStore store(provisionedMachine().locations());
    if (!store.isOpen())
        store.open();
    return store;
}

void BM_ZipsNearThroughTheStore(benchmark::State &state)
{
    SqliteZipStore &store = openStore();
    size_t rows = 0;
    for (auto _ : state)
        rows = store.rowsNear(kCentre, kMiles).size();
    state.counters["rows"] = double(rows);
}
BENCHMARK(BM_ZipsNearThroughTheStore)->Unit(benchmark::kMillisecond);

// The rows of the places in the box around the circle, joined to their ZIPs' rows, read as
// they come: what the store reads before it measures and sorts.
void BM_BareSqliteNearQuery(benchmark::State &state)
{
    openStore(); // provisions the working copy
    const GeoBox box = boxAround(*openStore().place(kCentre)->position, kMiles);
    sqlite3 *db = nullptr;
    sqlite3_open_v2(provisionedMachine().workingCopy().toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    long rows = 0;
    for (auto _ : state) {
        sqlite3_stmt *statement = nullptr;
        sqlite3_prepare_v2(db,
                           "select z.ZipCode, z.City, z.State, p.County, p.Latitude, p.Longitude from ZipPlaces p"
                           " join ZipCodes z on z.ZipCode = p.ZipCode"
                           " where p.Latitude between ?1 and ?2 and p.Longitude between ?3 and ?4",
                           -1, &statement, nullptr);
        int parameter = 0;
        for (const double bound : {box.south, box.north, box.west, box.east})
            sqlite3_bind_double(statement, ++parameter, bound);
        rows = 0;
        while (sqlite3_step(statement) == SQLITE_ROW) {
            for (int column = 0; column < 4; ++column)
                benchmark::DoNotOptimize(sqlite3_column_text(statement, column));
            for (int column = 4; column < 6; ++column)
                benchmark::DoNotOptimize(sqlite3_column_double(statement, column));
            ++rows;
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    state.counters["rows_read"] = double(rows);
}
BENCHMARK(BM_BareSqliteNearQuery)->Unit(benchmark::kMillisecond);

// The upgrade the first open of an older working copy runs, the places and profiles read from
// the pristine copy.
void upgradeOldWorkingCopy(benchmark::State &state, bool withPlaces)
{
    TestMachine &machine = provisionedMachine();
    const QString old = machine.dir.filePath(QStringLiteral("old.mdb"));
    for (auto _ : state) {
        state.PauseTiming();
        makeOldWorkingCopy(machine.pristineCopy(), old, withPlaces);
        ZipConnection connection;
        connection.open(old);
        state.ResumeTiming();
        upgradeWorkingCopy(connection, machine.pristineCopy());
    }
}
void BM_UpgradeOldWorkingCopy(benchmark::State &state)
{
    upgradeOldWorkingCopy(state, false);
}
BENCHMARK(BM_UpgradeOldWorkingCopy)->Unit(benchmark::kMillisecond);

void BM_UpgradeWorkingCopyWithPlaces(benchmark::State &state)
{
    upgradeOldWorkingCopy(state, true);
}
BENCHMARK(BM_UpgradeWorkingCopyWithPlaces)->Unit(benchmark::kMillisecond);

// Every ZIP's profile in ZIP order, as --search reads them for its columns.
void BM_AllProfilesThroughTheStore(benchmark::State &state)
{
    SqliteZipStore &store = openStore();
    size_t profiles = 0;
    for (auto _ : state)
        profiles = store.profiles().size();
    state.counters["profiles"] = double(profiles);
}
BENCHMARK(BM_AllProfilesThroughTheStore)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    return runBenchmarksWithFigures(argc, argv, {
        {Figure::Ratio, "ZIPs within 25 miles through the store / bare SQLite query", "BM_ZipsNearThroughTheStore",
         "BM_BareSqliteNearQuery", 1.5},
        {Figure::Milliseconds, "upgrade of a 1.0 working copy", "BM_UpgradeOldWorkingCopy", "", 300.0},
        {Figure::Milliseconds, "upgrade of a 1.0 working copy with places", "BM_UpgradeWorkingCopyWithPlaces", "", 300.0},
    });
}
