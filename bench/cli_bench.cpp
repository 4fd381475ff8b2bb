// The built program's --search "" as a script runs it: a process that lists the whole table with
// each ZIP's place, its output written to a file, against --search of one ZIP, which pays the same
// start. The program keeps its working copy in /var/lib where it may (as root), so each run is in
// a mount namespace of its own whose /var/lib is a folder of the benchmark's; a first run
// provisions the working copy there. Run: build/bin/cli_bench
#include "FigureReporter.h"
#include "ProcessTiming.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>


namespace {

std::string g_dataRoot;
std::string g_baselineRoot;
std::string g_output;

// The seconds from the start of `quillmap --search TEXT` to its end, or -1 when it failed.
double searchSeconds(const std::string &text, const std::string &executable = QUILLMAP_EXECUTABLE,
                     const std::string &dataRoot = g_dataRoot)
{
    std::vector<std::string> arguments{"unshare", "--mount"};
    if (geteuid() != 0)
        arguments.push_back("--map-root-user");
    for (const char *argument : {"--", "sh", "-c", "mount --bind \"$1\" /var/lib && shift && exec \"$@\"", "_"})
        arguments.push_back(argument);
    arguments.insert(arguments.end(), {dataRoot, executable, "--search", text});
    return secondsToRun("unshare", std::move(arguments), g_output);
}

void measure(benchmark::State &state, const std::string &text)
{
    for (auto _ : state) {
        const double seconds = searchSeconds(text);
        if (seconds < 0) {
            state.SkipWithError("quillmap --search failed (is unshare --mount refused here?)");
            return;
        }
        state.SetIterationTime(seconds);
    }
    std::ifstream rows(g_output);
    state.counters["lines"] = double(std::count(std::istreambuf_iterator<char>(rows), {}, '\n'));
}

void BM_SearchOneZipAsProcess(benchmark::State &state)
{
    measure(state, "02134");
}
BENCHMARK(BM_SearchOneZipAsProcess)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

void BM_SearchWholeTableAsProcess(benchmark::State &state)
{
    measure(state, "");
}
BENCHMARK(BM_SearchWholeTableAsProcess)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The whole table against the earlier build, taking turns, so that both meet the machine as it is.
void BM_SearchWholeTableAgainstBaseline(benchmark::State &state)
{
    const char *baseline = std::getenv("QUILLMAP_BASELINE");
    if (!baseline) {
        state.SkipWithError("QUILLMAP_BASELINE names no earlier build's quillmap");
        return;
    }
    std::vector<double> ours, theirs;
    for (auto _ : state) {
        const double their = searchSeconds("", baseline, g_baselineRoot);
        const double our = searchSeconds("");
        if (their < 0 || our < 0) {
            state.SkipWithError("quillmap --search failed");
            return;
        }
        state.SetIterationTime(our);
        ours.push_back(our);
        theirs.push_back(their);
    }
    state.counters["baseline_ms"] = median(theirs) * 1000;
    state.counters["per_baseline"] = median(ours) / median(theirs);
}
BENCHMARK(BM_SearchWholeTableAgainstBaseline)->UseManualTime()->Iterations(31)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char *argv[])
{
    char folder[] = "/tmp/cli_bench.XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    g_dataRoot = std::string(folder) + "/var-lib";
    g_baselineRoot = std::string(folder) + "/baseline-var-lib";
    g_output = std::string(folder) + "/rows.tsv";
    std::filesystem::create_directory(g_dataRoot);
    std::filesystem::create_directory(g_baselineRoot);
    searchSeconds("02134"); // the first start, which copies the working copy
    if (const char *baseline = std::getenv("QUILLMAP_BASELINE"))
        searchSeconds("02134", baseline, g_baselineRoot);
    const int status = runBenchmarksWithFigures(argc, argv, {
        {Figure::Milliseconds, "--search \"\" of the whole table, as a process", "BM_SearchWholeTableAsProcess", "",
         500.0},
        {Figure::Counter, "the same / the earlier build (QUILLMAP_BASELINE), medians", "BM_SearchWholeTableAgainstBaseline",
         "per_baseline", 1.2},
    });
    std::filesystem::remove_all(folder);
    return status;
}
