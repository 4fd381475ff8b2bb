// Editing the working copy: one add and one delete, each its own committed transaction on the
// shipped table, and the reset through SQLite's backup API beside copying the file with cp.
// Run: build/bin/edit_bench
#include "BenchMachine.h"
#include "TestMachine.h"
#include "WorkingCopy.h"
#include "ZipConnection.h"
#include "ZipEdits.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>

#include "FigureReporter.h"

#include <benchmark/benchmark.h>

#include <filesystem>

#include <unistd.h>

namespace {

const QString kZip = QStringLiteral("00123");

void BM_AddRow(benchmark::State &state)
{
    ZipConnection &db = workingCopyConnection();
    for (auto _ : state) {
        benchmark::DoNotOptimize(addZipRow(db, kZip, QStringLiteral("Benchmark"), QStringLiteral("ZZ")));
        state.PauseTiming();
        deleteZip(db, kZip);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AddRow)->Unit(benchmark::kMillisecond);

void BM_DeleteZipOfThreeRows(benchmark::State &state)
{
    ZipConnection &db = workingCopyConnection();
    for (auto _ : state) {
        state.PauseTiming();
        for (const char *city : {"Alpha", "Beta", "Gamma"})
            db.execute(QStringLiteral("insert into ZipCodes values (?1, ?2, 'ZZ')"), {kZip, QLatin1String(city)});
        state.ResumeTiming();
        benchmark::DoNotOptimize(deleteZip(db, kZip));
    }
}
BENCHMARK(BM_DeleteZipOfThreeRows)->Unit(benchmark::kMillisecond);

void BM_ResetThroughBackup(benchmark::State &state)
{
    provisionedMachine();
    for (auto _ : state)
        resetWorkingCopy(provisionedMachine().pristineCopy(), provisionedMachine().workingCopy());
}
BENCHMARK(BM_ResetThroughBackup)->Unit(benchmark::kMillisecond);

void BM_CopyFileInProcess(benchmark::State &state)
{
    const std::filesystem::path from = provisionedMachine().pristineCopy().toStdString();
    const std::filesystem::path to = (provisionedMachine().dataFolder() + QStringLiteral("/plain-copy.mdb")).toStdString();
    for (auto _ : state)
        std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::remove(to);
}
BENCHMARK(BM_CopyFileInProcess)->Unit(benchmark::kMillisecond);

void BM_CopyFileWithCp(benchmark::State &state)
{
    const QString to = provisionedMachine().dataFolder() + QStringLiteral("/plain-copy.mdb");
    for (auto _ : state)
        QProcess::execute(QStringLiteral("cp"), {provisionedMachine().pristineCopy(), to});
    QFile::remove(to);
}
BENCHMARK(BM_CopyFileWithCp)->Unit(benchmark::kMillisecond);

// The reset beside cp in one loop, so the ratio is of one moment's disk: the reset may take at
// most twice as long as cp. cp leaves its copy in the page cache while the reset makes it
// durable, so the loop also times cp followed by an fsync of its copy. Each starts with nothing
// left to write back, so none pays for another's dirty pages.
void BM_ResetOverCpRatio(benchmark::State &state)
{
    const QString to = provisionedMachine().dataFolder() + QStringLiteral("/plain-copy.mdb");
    qint64 resetNs = 0, cpNs = 0, durableCpNs = 0;
    QElapsedTimer timer;
    for (auto _ : state) {
        ::sync();
        timer.start();
        resetWorkingCopy(provisionedMachine().pristineCopy(), provisionedMachine().workingCopy());
        resetNs += timer.nsecsElapsed();
        ::sync();
        timer.start();
        QProcess::execute(QStringLiteral("cp"), {provisionedMachine().pristineCopy(), to});
        cpNs += timer.nsecsElapsed();
        QFile copy(to);
        copy.open(QIODevice::ReadOnly);
        ::fsync(copy.handle());
        durableCpNs += timer.nsecsElapsed();
    }
    QFile::remove(to);
    const double iterations = double(state.iterations());
    state.counters["reset_ms"] = double(resetNs) / 1e6 / iterations;
    state.counters["cp_ms"] = double(cpNs) / 1e6 / iterations;
    state.counters["cp_fsync_ms"] = double(durableCpNs) / 1e6 / iterations;
    state.counters["reset_over_cp"] = double(resetNs) / double(cpNs);
    state.counters["reset_over_cp_fsync"] = double(resetNs) / double(durableCpNs);
}
BENCHMARK(BM_ResetOverCpRatio)->Iterations(30)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    return runBenchmarksWithFigures(argc, argv, {
        {Figure::Milliseconds, "add one row, committed", "BM_AddRow", "", 50.0},
        {Figure::Milliseconds, "delete a ZIP of three rows, committed", "BM_DeleteZipOfThreeRows", "", 50.0},
        {Figure::Ratio, "reset through the backup API / cp of the file", "BM_ResetThroughBackup", "BM_CopyFileWithCp",
         2.0},
    });
}
