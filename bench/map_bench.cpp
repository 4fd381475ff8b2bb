// The map window on the whole table: a paint of all 41,703 dots with the outlines, the window
// opened on them (places read from the working copy through the store, projected, drawn), and
// the resident memory the open window adds. Run: QT_QPA_PLATFORM=offscreen build/bin/map_bench
#include "FirstStart.h"
#include "MapCanvas.h"
#include "MapScene.h"
#include "MapWindow.h"
#include "ResultsModel.h"
#include "SqliteZipStore.h"
#include "TestMachine.h"
#include "ZipCursor.h"
#include "ZipRow.h"

#include <QApplication>
#include <QItemSelectionModel>

#include "FigureReporter.h"
#include "OffscreenByDefault.h"

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <fstream>

namespace {

double residentMegabytes()
{
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// The whole shipped table listed, over a working copy on a machine of the benchmark's own, whose
// places the window reads through the store as the program's does.
struct WholeTable {
    WholeTable()
    {
        for (const char *caption : {"Zip", "City", "State"})
            rows.addColumn(QLatin1String(caption));
        prepareFirstStart(machine.locations());
        store.open();
        ResultsModel::Appender appender(rows);
        for (const auto listed = store.search(QString()); !listed->atEnd(); listed->moveNext())
            appender.addRow(listed->text(ZipCodeColumn), listed->text(CityColumn), listed->text(StateColumn));
        appender.commit();
    }

    std::unique_ptr<MapWindow> open()
    {
        auto window = std::make_unique<MapWindow>(machine.platform, rows, selection,
                                                  [this] { return positionsOf(store.places()); },
                                                  QStringLiteral(QUILLMAP_OUTLINE_FILE));
        window->resize(960, 640);
        window->show();
        QApplication::processEvents();
        return window;
    }

    TestMachine machine;
    SqliteZipStore store{machine.locations()};
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
    drawOffscreenUnlessChosen();
    QApplication application(argc, argv);
    return runBenchmarksWithFigures(argc, argv, {
        {Figure::Milliseconds, "a paint of the whole table, outlines included", "BM_PaintWholeTable", "", 30.0},
        {Figure::Milliseconds, "the window opened on the whole table", "BM_OpenWindowOnWholeTable", "", 200.0},
        {Figure::Counter, "resident memory added by the open window (MB)", "BM_ResidentMemoryOfOpenWindow", "added_MB",
         30.0},
    });
}
