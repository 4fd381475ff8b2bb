// The store an office shares, on a local server of the benchmark's own, beside the embedded
// store: the whole table searched through each, one add committed, the reset of the whole table.
// Run: build/bin/server_bench
#include "PostgresServer.h"
#include "PostgresZipStore.h"
#include "SqliteZipStore.h"
#include "TestMachine.h"
#include "WorkingCopy.h"
#include "ZipCursor.h"

#include <QCoreApplication>
#include <QDir>

#include "FigureReporter.h"

#include <benchmark/benchmark.h>

namespace {

struct Stores {
    TestMachine machine;
    PostgresServer server;
    SqliteZipStore embedded{machine.locations()};
    PostgresZipStore shared{server.newDatabase(), machine.pristineCopy()};

    Stores()
    {
        QDir().mkpath(machine.dataFolder());
        provisionWorkingCopy(machine.pristineCopy(), machine.workingCopy());
        embedded.open();
        shared.open();
    }
};

Stores &stores()
{
    static Stores instance;
    return instance;
}

void searchWholeTable(benchmark::State &state, ZipStore &store)
{
    long rows = 0;
    for (auto _ : state) {
        rows = 0;
        for (const auto cursor = store.search(QString()); !cursor->atEnd(); cursor->moveNext(), ++rows)
            for (int column = 0; column < 3; ++column)
                benchmark::DoNotOptimize(cursor->text(column));
    }
    state.counters["rows"] = double(rows);
}

void BM_EmbeddedWholeTableSearch(benchmark::State &state)
{
    searchWholeTable(state, stores().embedded);
}
BENCHMARK(BM_EmbeddedWholeTableSearch)->Unit(benchmark::kMillisecond);

void BM_ServerWholeTableSearch(benchmark::State &state)
{
    searchWholeTable(state, stores().shared);
}
BENCHMARK(BM_ServerWholeTableSearch)->Unit(benchmark::kMillisecond);

void BM_ServerAddRow(benchmark::State &state)
{
    const QString zip = QStringLiteral("00123");
    for (auto _ : state) {
        benchmark::DoNotOptimize(stores().shared.add(zip, QStringLiteral("Benchmark"), QStringLiteral("ZZ")));
        state.PauseTiming();
        stores().shared.remove(zip);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ServerAddRow)->Unit(benchmark::kMillisecond);

void BM_ServerReset(benchmark::State &state)
{
    for (auto _ : state)
        stores().shared.reset();
}
BENCHMARK(BM_ServerReset)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    return runBenchmarksWithFigures(argc, argv, {
        {Figure::Ratio, "whole-table search, local server / embedded SQLite", "BM_ServerWholeTableSearch",
         "BM_EmbeddedWholeTableSearch", 2.0},
        {Figure::Milliseconds, "add one row on the server, committed", "BM_ServerAddRow", "", 50.0},
        {Figure::Milliseconds, "reset of the whole table on the server", "BM_ServerReset", "", 2000.0},
    });
}
