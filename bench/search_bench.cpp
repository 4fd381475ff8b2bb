// The empty search lists the whole table. Compares the click, from start to filled model, with
// the bare SQLite query that reads the same rows, times a paste of a long column into the filled
// list, and reports what the full list adds to the resident memory; and times Details and "ZIPs In
// This County" on 02134, click to shown, on the whole table's store.
// Run: QT_QPA_PLATFORM=offscreen build/bin/search_bench
#include "Form1.h"
#include "ListActions.h"
#include "ListCommands.h"
#include "PlaceCommands.h"
#include "ResultsModel.h"
#include "SearchCommands.h"
#include "TestMachine.h"
#include "ZipSearch.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTreeView>

#include "FigureReporter.h"
#include "OffscreenByDefault.h"

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sqlite3.h>
#include <unistd.h>

#include <fstream>

namespace {

TestMachine &machine()
{
    static TestMachine instance;
    return instance;
}

Form1 &loadedForm()
{
    static Form1 *form = [] {
        auto *created = new Form1(machine().platform);
        created->load();
        // Shown, so the memory figure includes what the view keeps for its rows.
        created->show();
        QApplication::processEvents();
        return created;
    }();
    return *form;
}

double residentMegabytes()
{
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

void BM_BareSqliteQuery(benchmark::State &state)
{
    loadedForm(); // provisions the working copy
    sqlite3 *db = nullptr;
    sqlite3_open_v2(machine().workingCopy().toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    long rows = 0;
    for (auto _ : state) {
        sqlite3_stmt *statement = nullptr;
        sqlite3_prepare_v2(db, zipSearchSql().toUtf8().constData(), -1, &statement, nullptr);
        sqlite3_bind_text(statement, 1, "", 0, SQLITE_STATIC);
        rows = 0;
        while (sqlite3_step(statement) == SQLITE_ROW) {
            for (int column = 0; column < 3; ++column)
                benchmark::DoNotOptimize(sqlite3_column_text(statement, column));
            ++rows;
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    state.counters["rows"] = double(rows);
}
BENCHMARK(BM_BareSqliteQuery)->Unit(benchmark::kMillisecond);

void BM_EmptySearchClickToFilledModel(benchmark::State &state)
{
    Form1 &form = loadedForm();
    form.findChild<QLineEdit *>(QStringLiteral("Text1"))->clear();
    for (auto _ : state)
        form.searchCommands().search();
    state.counters["rows"] = form.results().rowCount();
}
BENCHMARK(BM_EmptySearchClickToFilledModel)->Unit(benchmark::kMillisecond);

// 100,000 lines of the table's own ZIPs, over the whole table listed: what a person pastes who
// copied a long column out of a spreadsheet.
void BM_Paste100000ZipsToFilledList(benchmark::State &state)
{
    Form1 &form = loadedForm();
    form.findChild<QLineEdit *>(QStringLiteral("Text1"))->clear();
    form.searchCommands().search();
    QStringList zips;
    for (int row = 0; row < form.results().rowCount(); ++row)
        zips.append(form.results().cell(row, 0));
    QString pasted;
    for (int line = 0; line < 100000; ++line)
        pasted += zips[(line * 7919) % zips.size()] + u'\n';
    for (auto _ : state) {
        state.PauseTiming();
        form.searchCommands().search();
        machine().platform.clipboard = pasted;
        state.ResumeTiming();
        form.listCommands().pasteZips();
    }
    state.counters["rows"] = form.results().rowCount();
}
BENCHMARK(BM_Paste100000ZipsToFilledList)->Unit(benchmark::kMillisecond);

void BM_ResidentMemoryOfFullList(benchmark::State &state)
{
    Form1 &form = loadedForm();
    form.findChild<QLineEdit *>(QStringLiteral("Text1"))->clear();
    double added = 0;
    for (auto _ : state) {
        form.results().clear();
        malloc_trim(0);
        const double before = residentMegabytes();
        form.searchCommands().search();
        QApplication::processEvents();
        added = residentMegabytes() - before;
    }
    state.counters["added_MB"] = added;
}
BENCHMARK(BM_ResidentMemoryOfFullList)->Iterations(3)->Unit(benchmark::kMillisecond);

// Lists 02134 and makes it the current row, as a click on it does.
void pickAllston(Form1 &form)
{
    form.findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(QStringLiteral("02134"));
    form.searchCommands().search();
    form.findChild<QTreeView *>(QStringLiteral("ListView1"))->setCurrentIndex(form.results().index(0, 0));
    QApplication::processEvents();
}

// To the box's text handed to the platform, which a person's box shows at once.
void BM_DetailsClickToShown(benchmark::State &state)
{
    Form1 &form = loadedForm();
    pickAllston(form);
    qsizetype boxes = 0;
    for (auto _ : state) {
        form.listActions().action(ListActions::Details).trigger();
        boxes = machine().platform.boxes.size();
        machine().platform.boxes.clear();
    }
    state.counters["boxes"] = double(boxes); // 1: the click was taken
}
BENCHMARK(BM_DetailsClickToShown)->Unit(benchmark::kMillisecond);

// To the county's rows listed and painted, the first one current.
void BM_ZipsInCountyClickToShown(benchmark::State &state)
{
    Form1 &form = loadedForm();
    for (auto _ : state) {
        state.PauseTiming();
        pickAllston(form);
        state.ResumeTiming();
        form.listActions().action(ListActions::ZipsInCounty).trigger();
        QApplication::processEvents();
    }
    state.counters["rows"] = form.results().rowCount();
}
BENCHMARK(BM_ZipsInCountyClickToShown)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char *argv[])
{
    drawOffscreenUnlessChosen();
    QApplication application(argc, argv);
    return runBenchmarksWithFigures(argc, argv, {
        {Figure::Ratio, "empty search, click to filled model / bare SQLite query", "BM_EmptySearchClickToFilledModel",
         "BM_BareSqliteQuery", 1.5},
        {Figure::Milliseconds, "paste of 100,000 ZIPs to the filled list", "BM_Paste100000ZipsToFilledList", "",
         1000.0},
        {Figure::Counter, "resident memory added by the whole table listed (MB)", "BM_ResidentMemoryOfFullList",
         "added_MB", 30.0},
        {Figure::Milliseconds, "Details on 02134, click to shown", "BM_DetailsClickToShown", "", 20.0},
        {Figure::Milliseconds, "ZIPs In This County on 02134, click to shown", "BM_ZipsInCountyClickToShown", "", 20.0},
    });
}
