// quillmap --lookup of a generated orders CSV (four columns, about 35 MB a million rows) as a
// process, against a Python script doing the same with the csv module and a dict, measured in the
// same run, the two taking turns; and the program's peak resident memory at one and at three million rows, which a
// streamed lookup keeps flat. Each run of the program is in a mount namespace of its own whose
// /var/lib is a folder of the benchmark's (see cli_bench). Run: build/bin/lookup_bench
#include "FigureReporter.h"
#include "ProcessTiming.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

std::string g_folder;

std::string pathOf(const std::string &name)
{
    return g_folder + "/" + name;
}

// The same lookup: the ZIP column by its header, ZIPs as spreadsheets leave them, the columns
// --lookup adds, Match last.
const char kPythonLookup[] = R"(import csv, re, sys
zips_csv, places_csv, profiles_csv, list_csv = sys.argv[1:5]
facts = {}
with open(zips_csv, newline='', encoding='utf-8') as f:
    rows = csv.reader(f)
    next(rows)
    for zip_code, city, state in rows:
        if zip_code in facts:
            name = city + ', ' + state
            if name != facts[zip_code][0] + ', ' + facts[zip_code][1] and name not in facts[zip_code][5]:
                facts[zip_code][5].append(name)
        else:
            facts[zip_code] = [city, state, '', '', '', '', '', '', '', []]
with open(places_csv, newline='', encoding='utf-8') as f:
    rows = csv.reader(f)
    next(rows)
    for zip_code, county, latitude, longitude in rows:
        if zip_code in facts:
            facts[zip_code][2:5] = [county, latitude, longitude]
def county(text):
    fips, name, share = text.split(':')
    return name + ' ' + share + '%' if share else name
with open(profiles_csv, newline='', encoding='utf-8') as f:
    rows = csv.reader(f)
    next(rows)
    for zip_code, kind, time_zone, population, density, counties in rows:
        if zip_code in facts:
            shares = '; '.join(county(c) for c in counties.split('|')) if counties else ''
            facts[zip_code][5:9] = [time_zone, shares, population, kind]
cells = {z: v[:9] + ['; '.join(v[9]), 'found'] for z, v in facts.items()}
spelled = re.compile(r'(\d{3,5})(?:-\d{4}|\.0*)?|(\d{3,5})\d{4}')
names = {'zip', 'zipcode', 'zip5', 'postalcode', 'postcode'}
with open(list_csv, newline='', encoding='utf-8') as f:
    out = csv.writer(sys.stdout, lineterminator='\r\n')
    rows = csv.reader(f)
    header = next(rows)
    column = next(i for i, h in enumerate(header) if re.sub(r'[^0-9a-z]', '', h.lower()) in names)
    out.writerow(header + ['City', 'State', 'County', 'Latitude', 'Longitude', 'TimeZone', 'Counties', 'Population',
                           'Kind', 'Other Names', 'Match'])
    for row in rows:
        m = spelled.fullmatch(row[column].strip())
        z = (m.group(1) or m.group(2)).zfill(5) if m else None
        found = cells.get(z)
        out.writerow(row + (found if found else [''] * 10 + ['unknown' if z else 'not a ZIP']))
)";

std::vector<std::string> shippedZips()
{
    std::ifstream csv(QUILLMAP_ZIPCODES_CSV);
    std::vector<std::string> zips;
    std::string line;
    std::getline(csv, line); // header
    while (std::getline(csv, line))
        zips.push_back(line.substr(0, 5));
    return zips;
}

// An orders list as a shop exports it, CR LF, its ZIPs mostly plain and some as spreadsheets
// and forms leave them; with `quoted`, its customers are firms whose names hold a comma.
void writeOrders(const std::string &path, int rows, bool quoted = false)
{
    static const std::vector<std::string> zips = shippedZips();
    std::mt19937 random(2024);
    std::ofstream csv(path, std::ios::binary);
    csv << "OrderId,Customer,ZIP,Amount\r\n";
    for (int row = 0; row < rows; ++row) {
        std::string zip = zips[random() % zips.size()];
        switch (random() % 50) {
        case 0:
            zip += "-1234";
            break;
        case 1:
            zip.erase(0, zip.find_first_not_of('0'));
            break;
        case 2:
            zip = "n/a";
            break;
        }
        csv << 1000000 + row << (quoted ? ",\"Customer " : ",Customer ") << row % 50000 << (quoted ? ", Inc.\"," : ",")
            << zip << ',' << random() % 100000 / 100.0 << "\r\n";
    }
}

// The seconds `quillmap --lookup` of the list takes, its output in a file; -1 when it failed.
double lookupSeconds(const std::string &list, double &peakMegabytes)
{
    std::vector<std::string> arguments{"unshare", "--mount"};
    if (geteuid() != 0)
        arguments.push_back("--map-root-user");
    for (const char *argument : {"--", "sh", "-c", "mount --bind \"$1\" /var/lib && shift && exec \"$@\"", "_"})
        arguments.push_back(argument);
    arguments.insert(arguments.end(), {pathOf("var-lib"), QUILLMAP_EXECUTABLE, "--lookup", list});
    return secondsToRun("unshare", std::move(arguments), pathOf("looked-up.csv"), &peakMegabytes);
}

double pythonSeconds()
{
    return secondsToRun("python3", {"python3", pathOf("lookup.py"), QUILLMAP_ZIPCODES_CSV, QUILLMAP_ZIPPLACES_CSV,
                                    QUILLMAP_ZIPPROFILES_CSV, pathOf("orders-1m.csv")},
                        pathOf("python.csv"));
}

bool sameFiles(const std::string &a, const std::string &b)
{
    std::ifstream first(a, std::ios::binary), second(b, std::ios::binary);
    return std::equal(std::istreambuf_iterator<char>(first), {}, std::istreambuf_iterator<char>(second), {});
}

// The program and the script take turns, so that both meet the machine as it is at the time.
void BM_LookupMillionRowsAsProcess(benchmark::State &state)
{
    double lookup = 0, python = 0, peakMegabytes = 0;
    for (auto _ : state) {
        const double script = pythonSeconds();
        const double seconds = lookupSeconds(pathOf("orders-1m.csv"), peakMegabytes);
        if (seconds < 0 || script < 0) {
            state.SkipWithError("quillmap --lookup or python3 failed (is unshare --mount refused here?)");
            return;
        }
        state.SetIterationTime(seconds);
        lookup += seconds;
        python += script;
    }
    state.counters["python_ms"] = python * 1000 / double(state.iterations());
    state.counters["per_python"] = lookup / python;
    state.counters["peak_MB"] = peakMegabytes;
    // Both wrote the same bytes: the two did the same work.
    state.counters["same_output"] = sameFiles(pathOf("python.csv"), pathOf("looked-up.csv"));
}
BENCHMARK(BM_LookupMillionRowsAsProcess)->UseManualTime()->Iterations(4)->Unit(benchmark::kMillisecond);

// Every record with a quoted field, as a spreadsheet saves a list of firms.
void BM_LookupQuotedMillionRowsAsProcess(benchmark::State &state)
{
    double peakMegabytes = 0;
    for (auto _ : state) {
        const double seconds = lookupSeconds(pathOf("firms-1m.csv"), peakMegabytes);
        if (seconds < 0) {
            state.SkipWithError("quillmap --lookup failed");
            return;
        }
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_LookupQuotedMillionRowsAsProcess)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_LookupThreeMillionRowsAsProcess(benchmark::State &state)
{
    double peakMegabytes = 0;
    for (auto _ : state) {
        const double seconds = lookupSeconds(pathOf("orders-3m.csv"), peakMegabytes);
        if (seconds < 0) {
            state.SkipWithError("quillmap --lookup failed");
            return;
        }
        state.SetIterationTime(seconds);
    }
    state.counters["peak_MB"] = peakMegabytes;
}
BENCHMARK(BM_LookupThreeMillionRowsAsProcess)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char *argv[])
{
    char folder[] = "/tmp/lookup_bench.XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    g_folder = folder;
    std::filesystem::create_directory(pathOf("var-lib"));
    std::ofstream(pathOf("lookup.py")) << kPythonLookup;
    writeOrders(pathOf("orders-1m.csv"), 1'000'000);
    writeOrders(pathOf("orders-3m.csv"), 3'000'000);
    writeOrders(pathOf("firms-1m.csv"), 1'000'000, true);
    double ignored = 0;
    lookupSeconds(pathOf("orders-1m.csv"), ignored); // the first start, which copies the working copy
    const int status = runBenchmarksWithFigures(argc, argv, {
        {Figure::Counter, "--lookup of 1,000,000 rows / the Python script", "BM_LookupMillionRowsAsProcess",
         "per_python", 0.1},
        {Figure::Counter, "--lookup's peak memory at 1,000,000 rows (MB)", "BM_LookupMillionRowsAsProcess", "peak_MB",
         60.0},
        {Figure::Counter, "--lookup's peak memory at 3,000,000 rows (MB)", "BM_LookupThreeMillionRowsAsProcess",
         "peak_MB", 60.0},
    });
    std::filesystem::remove_all(folder);
    return status;
}
