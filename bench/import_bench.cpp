// Importing a whole GeoNames dump into the working copy, merge and summary included, beside a bare
// SQLite bulk insert of the same rows in one transaction; and the resident memory the import adds
// at its peak. The dumps are the shipped rows of the states GeoNames covers, once as a newer dump
// would change them (some ZIPs renamed, gone or new) and once with every ZIP renamed, each ZIP
// where the shipped data has it; and a dump of the year after imported over the first's record.
// Apart, the peak resident memory of a whole process that imports a CSV as large as a ZIP data
// file may be, with a million and a half rows.
// Run: build/bin/import_bench
#include "BenchMachine.h"
#include "ShippedCopy.h"
#include "TestMachine.h"
#include "WorkingCopy.h"
#include "ZipConnection.h"
#include "ZipImport.h"
#include "ZipPlace.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include "FigureReporter.h"

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>

namespace {

const QStringList kTerritories{"PR", "VI", "GU", "AS", "MP", "FM", "MH", "PW"};

// The shipped rows of the states a GeoNames dump covers, as "zip|city|state".
const QStringList &geoNamesRows()
{
    static const QStringList rows = [] {
        QStringList all = rowsOf(provisionedMachine().pristineCopy());
        all.removeIf([](const QString &row) { return kTerritories.contains(row.right(2)); });
        return all;
    }();
    return rows;
}

// Each shipped ZIP's county and coordinates as a dump's line gives them.
const QHash<QString, QStringList> &shippedPlaceFields()
{
    static const QHash<QString, QStringList> fields = [] {
        QHash<QString, QStringList> byZip;
        for (const ZipPlace &place : ShippedCopy(provisionedMachine().pristineCopy()).places())
            byZip.insert(place.zip, {place.county, place.position ? coordinateText(place.position->latitude) : QString(),
                                     place.position ? coordinateText(place.position->longitude) : QString()});
        return byZip;
    }();
    return fields;
}

// Writes a dump of those rows, each changed by change(index, row) (an empty row is left out),
// with the new rows after them; returns its path. A ZIP lies where the shipped data has it, as
// year after year it does in GeoNames; a new one in New York.
template <class Change>
QString writeDump(const QString &name, Change &&change, int newZips)
{
    QByteArray dump;
    const auto line = [&](const QStringList &row) {
        const QStringList place = shippedPlaceFields().value(row[0], {QString(), QStringLiteral("40.7"), QStringLiteral("-73.9")});
        dump += QStringLiteral("US\t%1\t%2\tName\t%3\t%4\t\t\t\t%5\t%6\t4\n")
                    .arg(row[0], row[1], row[2], place[0], place[1], place[2])
                    .toUtf8();
    };
    for (qsizetype i = 0; i < geoNamesRows().size(); ++i) {
        const QStringList row = change(i, geoNamesRows()[i].split(u'|'));
        if (!row.isEmpty())
            line(row);
    }
    for (int zip = 0; zip < newZips; ++zip)
        line({QStringLiteral("%1").arg(zip, 5, 10, QLatin1Char('0')), QStringLiteral("New Place"),
              QStringLiteral("NY")});
    const QString path = provisionedMachine().dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(dump);
    return path;
}

// What a newer dump does: one ZIP in 50 renamed, one in 97 gone, a few hundred new.
const QString &newerDump()
{
    static const QString path = writeDump(
        QStringLiteral("newer.txt"),
        [](qsizetype i, QStringList row) {
            if (i % 97 == 5)
                return QStringList{};
            if (i % 50 == 7)
                row[1] += QStringLiteral(" Renamed");
            return row;
        },
        300);
    return path;
}

// The dump of the year after: what the newer dump renamed renamed again, what it removed back,
// and other ZIPs renamed; imported over the newer dump's record of its rows.
const QString &nextYearsDump()
{
    static const QString path = writeDump(
        QStringLiteral("next-year.txt"),
        [](qsizetype i, QStringList row) {
            if (i % 50 == 7 || i % 41 == 3)
                row[1] += QStringLiteral(" Next");
            return row;
        },
        300);
    return path;
}

const QString &everyZipRenamedDump()
{
    static const QString path = writeDump(
        QStringLiteral("every-zip-renamed.txt"),
        [](qsizetype, QStringList row) {
            row[1] += QStringLiteral(" Renamed");
            return row;
        },
        0);
    return path;
}

ImportPlan importWithSummary(const QString &dump)
{
    const ZipImport import(readZipDataFile(dump), provisionedMachine().pristineCopy());
    const ImportPlan done = import.apply(workingCopyConnection());
    benchmark::DoNotOptimize(import.summary(done));
    return done;
}

void importEachTime(benchmark::State &state, const QString &dump)
{
    qsizetype changed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        resetWorkingCopy(provisionedMachine().pristineCopy(), provisionedMachine().workingCopy());
        state.ResumeTiming();
        changed = importWithSummary(dump).changes.size();
    }
    state.counters["zips_changed"] = double(changed);
}

void BM_ImportNewerDump(benchmark::State &state)
{
    importEachTime(state, newerDump());
}
BENCHMARK(BM_ImportNewerDump)->Unit(benchmark::kMillisecond);

void BM_ImportNextYearsDumpOverTheNewer(benchmark::State &state)
{
    qsizetype changed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        resetWorkingCopy(provisionedMachine().pristineCopy(), provisionedMachine().workingCopy());
        importWithSummary(newerDump());
        state.ResumeTiming();
        changed = importWithSummary(nextYearsDump()).changes.size();
    }
    state.counters["zips_changed"] = double(changed);
}
BENCHMARK(BM_ImportNextYearsDumpOverTheNewer)->Unit(benchmark::kMillisecond);

void BM_ImportDumpRenamingEveryZip(benchmark::State &state)
{
    importEachTime(state, everyZipRenamedDump());
}
BENCHMARK(BM_ImportDumpRenamingEveryZip)->Unit(benchmark::kMillisecond);

// The rows of the newer dump inserted with one prepared statement in one transaction into a
// table shaped as the working copy's, index included.
void BM_BareSqliteBulkInsert(benchmark::State &state)
{
    const std::vector<ZipRow> rows = readZipDataFile(newerDump()).rows.unpacked();
    const std::string path = provisionedMachine().dir.filePath(QStringLiteral("bare.db")).toStdString();
    for (auto _ : state) {
        state.PauseTiming();
        std::remove(path.c_str());
        sqlite3 *db = nullptr;
        sqlite3_open(path.c_str(), &db);
        sqlite3_exec(db, "create table ZipCodes (ZipCode TEXT, City TEXT, State TEXT);"
                         "create index ZipCodes_ZipCode on ZipCodes (ZipCode)", nullptr, nullptr, nullptr);
        state.ResumeTiming();
        sqlite3_exec(db, "begin", nullptr, nullptr, nullptr);
        sqlite3_stmt *insert = nullptr;
        sqlite3_prepare_v2(db, "insert into ZipCodes values (?1, ?2, ?3)", -1, &insert, nullptr);
        for (const ZipRow &row : rows) {
            int column = 0;
            for (const QString *value : {&row.zip, &row.city, &row.state}) {
                const QByteArray utf8 = value->toUtf8();
                sqlite3_bind_text(insert, ++column, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
            }
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_exec(db, "commit", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    state.counters["rows"] = double(rows.size());
}
BENCHMARK(BM_BareSqliteBulkInsert)->Unit(benchmark::kMillisecond);

double statusMegabytes(const std::string &field)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field + ':', 0) == 0)
            return std::stod(line.substr(field.size() + 1)) / 1024.0;
    return 0;
}

// The peak resident memory during the import of the newer dump above what the process held before.
void BM_ResidentMemoryOfImport(benchmark::State &state)
{
    double added = 0;
    for (auto _ : state) {
        resetWorkingCopy(provisionedMachine().pristineCopy(), provisionedMachine().workingCopy());
        malloc_trim(0);
        std::ofstream("/proc/self/clear_refs") << "5"; // the peak starts again from here
        const double before = statusMegabytes("VmRSS");
        importWithSummary(newerDump());
        added = statusMegabytes("VmHWM") - before;
    }
    state.counters["added_MB"] = added;
}
BENCHMARK(BM_ResidentMemoryOfImport)->Iterations(3)->Unit(benchmark::kMillisecond);

// A CSV just under the size cap: every ZIP from 00000 to 99999 with 15 one-letter names, in the
// shipped data's state where it has the ZIP. Each line is as short as a row's line can be.
const QString &largestCsv()
{
    static const QString path = [] {
        QHash<QString, QString> stateOf;
        for (const QString &row : geoNamesRows())
            stateOf.insert(row.left(5), row.right(2));
        QByteArray csv("ZIP,City,State\n");
        csv.reserve(kMaxZipDataFileBytes);
        for (int zip = 0; zip < 100'000; ++zip) {
            const QByteArray code = QByteArray::number(zip).rightJustified(5, '0');
            const QByteArray state = stateOf.value(QString::fromLatin1(code), QStringLiteral("NY")).toLatin1();
            for (char city = 'A'; city < 'A' + 15; ++city)
                csv += code + ',' + city + ',' + state + '\n';
        }
        const QString file = provisionedMachine().dir.filePath(QStringLiteral("largest.csv"));
        writeFile(file, csv);
        return file;
    }();
    return path;
}

// The child's work: the import as the command line does it, the summary asked for first.
int importAsAProcess(const QString &file)
{
    const ZipImport import(readZipDataFile(file), provisionedMachine().pristineCopy());
    benchmark::DoNotOptimize(import.summary(import.plan(workingCopyConnection())));
    import.apply(workingCopyConnection());
    return 0;
}

// The peak resident memory of a process (this program again) importing the largest CSV.
void BM_PeakMemoryOfLargestCsvImport(benchmark::State &state)
{
    const std::string file = largestCsv().toStdString();
    double peak = 0;
    for (auto _ : state) {
        std::vector<std::string> arguments{"import_bench", "--import-as-a-process", file};
        std::vector<char *> argv;
        for (std::string &argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        pid_t child = 0;
        if (posix_spawn(&child, "/proc/self/exe", nullptr, nullptr, argv.data(), environ) != 0)
            return state.SkipWithError("cannot start the importing process");
        int status = 0;
        rusage usage{};
        wait4(child, &status, 0, &usage);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            return state.SkipWithError("the importing process failed");
        peak = double(usage.ru_maxrss) / 1024.0;
    }
    state.counters["peak_MB"] = peak;
}
BENCHMARK(BM_PeakMemoryOfLargestCsvImport)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    if (argc == 3 && std::string(argv[1]) == "--import-as-a-process")
        return importAsAProcess(QString::fromLocal8Bit(argv[2]));
    return runBenchmarksWithFigures(argc, argv, {
        {Figure::Ratio, "import of a newer dump, summary included / bare bulk insert", "BM_ImportNewerDump",
         "BM_BareSqliteBulkInsert", 3.0},
        {Figure::Milliseconds, "import of a newer dump, summary included", "BM_ImportNewerDump", "", 1000.0},
        {Figure::Ratio, "next year's dump over the newer one's record / bare bulk insert",
         "BM_ImportNextYearsDumpOverTheNewer", "BM_BareSqliteBulkInsert", 3.0},
        {Figure::Ratio, "next year's dump over the newer one's record / the newer dump",
         "BM_ImportNextYearsDumpOverTheNewer", "BM_ImportNewerDump", 1.2},
        {Figure::Ratio, "import renaming every ZIP / bare bulk insert", "BM_ImportDumpRenamingEveryZip",
         "BM_BareSqliteBulkInsert", 3.0},
        {Figure::Milliseconds, "import renaming every ZIP", "BM_ImportDumpRenamingEveryZip", "", 1000.0},
        {Figure::Counter, "resident memory added at the import's peak (MB)", "BM_ResidentMemoryOfImport",
         "added_MB", 50.0},
        {Figure::Counter, "peak resident memory of a process importing a 16 MB CSV of 1.5 million rows (MB)",
         "BM_PeakMemoryOfLargestCsvImport", "peak_MB", 150.0},
    });
}
