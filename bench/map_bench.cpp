// The map window on the whole table: a paint of all 41,703 dots with the outlines, the window
// opened on them (places read from a SQLite table, projected, drawn), and the resident memory
// the open window adds. Until the shipped copy carries the places, each ZIP gets a seeded point
// in its state's region. Run: QT_QPA_PLATFORM=offscreen build/bin/map_bench
#include "MapCanvas.h"
#include "MapScene.h"
#include "MapWindow.h"
#include "ResultsModel.h"
#include "ScriptedPlatform.h"
#include "ZipPlacesLookup.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "FigureReporter.h"

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sqlite3.h>
#include <unistd.h>

#include <fstream>

namespace {

double residentMegabytes()
{
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

GeoPoint seededPoint(QRandomGenerator &random, const QString &state)
{
    const auto within = [&random](double south, double north, double west, double east) {
        return GeoPoint{south + random.generateDouble() * (north - south),
                        west + random.generateDouble() * (east - west)};
    };
    if (state == u"AK")
        return within(55, 70, -165, -135);
    if (state == u"HI")
        return within(19, 22, -159.5, -155);
    if (state == u"PR")
        return within(18, 18.4, -67.2, -65.7);
    return within(25, 49, -124, -67);
}

// The whole shipped table listed, and a database file whose ZipPlaces table holds a point for
// every ZIP, as the working copy will.
struct WholeTable {
    WholeTable()
    {
        for (const char *caption : {"Zip", "City", "State"})
            rows.addColumn(QLatin1String(caption));
        sqlite3 *shipped = nullptr;
        sqlite3_open_v2(QUILLMAP_PRISTINE_DB, &shipped, SQLITE_OPEN_READONLY, nullptr);
        sqlite3 *places = nullptr;
        placesFile = folder.filePath(QStringLiteral("places.db"));
        sqlite3_open(placesFile.toUtf8().constData(), &places);
        sqlite3_exec(places, "create table ZipPlaces (ZipCode TEXT PRIMARY KEY, County TEXT NOT NULL, Latitude REAL, "
                             "Longitude REAL); begin",
                     nullptr, nullptr, nullptr);
        sqlite3_stmt *insert = nullptr;
        sqlite3_prepare_v2(places, "insert or ignore into ZipPlaces values (?1, '', ?2, ?3)", -1, &insert, nullptr);
        sqlite3_stmt *select = nullptr;
        sqlite3_prepare_v2(shipped, "select ZipCode, City, State from ZipCodes order by ZipCode", -1, &select, nullptr);
        QRandomGenerator random(21);
        ResultsModel::Appender appender(rows);
        while (sqlite3_step(select) == SQLITE_ROW) {
            const auto text = [select](int column) {
                return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(select, column)));
            };
            appender.addRow(text(0), text(1), text(2));
            const GeoPoint point = seededPoint(random, text(2));
            const QByteArray zip = text(0).toUtf8();
            sqlite3_bind_text(insert, 1, zip.constData(), int(zip.size()), SQLITE_TRANSIENT);
            sqlite3_bind_double(insert, 2, point.latitude);
            sqlite3_bind_double(insert, 3, point.longitude);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        appender.commit();
        sqlite3_finalize(select);
        sqlite3_finalize(insert);
        sqlite3_exec(places, "commit", nullptr, nullptr, nullptr);
        sqlite3_close(places);
        sqlite3_close(shipped);
    }

    std::unique_ptr<MapWindow> open()
    {
        auto window = std::make_unique<MapWindow>(platform, rows, selection,
                                                  [this] { return readZipPlacesFromFile(placesFile); },
                                                  QStringLiteral(QUILLMAP_OUTLINE_FILE));
        window->resize(960, 640);
        window->show();
        QApplication::processEvents();
        return window;
    }

    QTemporaryDir folder;
    QString placesFile;
    ScriptedPlatform platform;
    ResultsModel rows;
    QItemSelectionModel selection{&rows};
};

WholeTable &wholeTable()
{
    static WholeTable table;
    return table;
}

void BM_PaintWholeTable(benchmark::State &state)
{
    const auto window = wholeTable().open();
    for (auto _ : state)
        window->canvas().repaint();
    state.counters["dots"] = double(window->scene().dots().size());
}
BENCHMARK(BM_PaintWholeTable)->Unit(benchmark::kMillisecond);

void BM_OpenWindowOnWholeTable(benchmark::State &state)
{
    wholeTable();
    for (auto _ : state) {
        const auto window = wholeTable().open();
        benchmark::DoNotOptimize(window->scene().dots().data());
        state.PauseTiming();
        window->close();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenWindowOnWholeTable)->Unit(benchmark::kMillisecond);

void BM_ResidentMemoryOfOpenWindow(benchmark::State &state)
{
    wholeTable();
    double added = 0;
    for (auto _ : state) {
        malloc_trim(0);
        const double before = residentMegabytes();
        const auto window = wholeTable().open();
        added = residentMegabytes() - before;
    }
    state.counters["added_MB"] = added;
}
BENCHMARK(BM_ResidentMemoryOfOpenWindow)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    return runBenchmarksWithFigures(argc, argv, {
        {Figure::Milliseconds, "a paint of the whole table, outlines included", "BM_PaintWholeTable", "", 30.0},
        {Figure::Milliseconds, "the window opened on the whole table", "BM_OpenWindowOnWholeTable", "", 200.0},
        {Figure::Counter, "resident memory added by the open window (MB)", "BM_ResidentMemoryOfOpenWindow", "added_MB",
         30.0},
    });
}
