// The three outputs of the whole table, every row ticked, each beside the plain work it stands
// on: the text file and the clipboard text beside a plain loop producing the same bytes, the
// workbook beside libxlsxwriter writing the same cells directly; and ticking every row with
// Ctrl+A and Space. Run: QT_QPA_PLATFORM=offscreen build/bin/export_bench
#include "ExportCommands.h"
#include "Form1.h"
#include "QtPlatform.h"
#include "ResultsModel.h"
#include "SearchCommands.h"
#include "TestMachine.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>

#include "FigureReporter.h"
#include "OffscreenByDefault.h"

#include <benchmark/benchmark.h>
#include <xlsxwriter.h>

#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

// The program's own platform, with its time-sliced yield and its clipboard, but answering the
// Save dialog and the boxes itself and launching nothing.
class BenchPlatform : public QtPlatform
{
public:
    QString common;
    QString program;
    QString savePath;
    QString temporary;
    int starts = 0;

    QString saveFileName(const QString &, const QString &) override { return savePath; }
    QString commonAppDataFolder() override { return common; }
    QString programFolder() override { return program; }
    QStringList spreadsheetCommand() override { return {QStringLiteral("soffice"), QStringLiteral("-n")}; }
    QString temporaryFolder() override { return temporary; }
    void startDetached(const QString &, const QStringList &) override { ++starts; }

protected:
    BoxAnswer showMessageBox(const QString &, BoxStyle, const QString &) override { return Yes; }
};

struct Bench {
    TestMachine machine;
    BenchPlatform platform;
    std::unique_ptr<Form1> form;
    // The table as plain UTF-8 strings, for the plain loops.
    std::vector<std::array<std::string, 3>> rows;

    Bench()
    {
        platform.common = machine.platform.commonRoot;
        platform.program = machine.platform.program;
        platform.temporary = machine.dir.filePath(QStringLiteral("temporary"));
        QDir().mkpath(platform.temporary);
        platform.savePath = machine.dir.filePath(QStringLiteral("zips.txt"));
        form = std::make_unique<Form1>(platform);
        form->load();
        form->show();
        form->findChild<QLineEdit *>(QStringLiteral("Text1"))->clear();
        form->searchCommands().search(); // the empty search lists the whole table
        ResultsModel &results = form->results();
        QList<int> all;
        for (int row = 0; row < results.rowCount(); ++row) {
            all.append(row);
            rows.push_back({results.cell(row, 0).toStdString(), results.cell(row, 1).toStdString(),
                            results.cell(row, 2).toStdString()});
        }
        results.setTicked(all, true);
        QApplication::processEvents();
    }
};

// Made by the first benchmark that needs it; main() ends it while the application object lives,
// as a window must not outlive that.
std::unique_ptr<Bench> &benchSlot()
{
    static std::unique_ptr<Bench> slot;
    return slot;
}

Bench &bench()
{
    if (!benchSlot())
        benchSlot() = std::make_unique<Bench>();
    return *benchSlot();
}

size_t utf8Characters(const std::string &text)
{
    size_t count = 0;
    for (unsigned char byte : text)
        count += (byte & 0xC0) != 0x80;
    return count;
}

std::array<size_t, 3> plainWidths(const std::vector<std::array<std::string, 3>> &rows, bool withHeaders)
{
    std::array<size_t, 3> widths = withHeaders ? std::array<size_t, 3>{3, 4, 5} : std::array<size_t, 3>{0, 0, 0};
    for (const auto &row : rows)
        for (size_t column = 0; column < 3; ++column)
            widths[column] = std::max(widths[column], utf8Characters(row[column]));
    return widths;
}

void appendPadded(std::string &line, const std::string &cell, size_t width)
{
    line += cell;
    line.append(width - std::min(width, utf8Characters(cell)), ' ');
    line += '\t';
}

void BM_PlainLoopWritingTheTextFile(benchmark::State &state)
{
    const auto &rows = bench().rows;
    const std::string path = QFile::encodeName(bench().machine.dir.filePath(QStringLiteral("plain.txt"))).toStdString();
    for (auto _ : state) {
        const auto widths = plainWidths(rows, true);
        FILE *file = std::fopen(path.c_str(), "wb");
        std::string line;
        const std::array<std::string, 3> headers{"Zip", "City", "State"};
        for (size_t column = 0; column < 3; ++column)
            appendPadded(line, headers[column], widths[column]);
        line += "\r\n";
        std::fwrite(line.data(), 1, line.size(), file);
        for (const auto &row : rows) {
            line.clear();
            for (size_t column = 0; column < 3; ++column)
                appendPadded(line, row[column], widths[column]);
            line += "\r\n";
            std::fwrite(line.data(), 1, line.size(), file);
        }
        std::fclose(file);
    }
}
BENCHMARK(BM_PlainLoopWritingTheTextFile)->Unit(benchmark::kMillisecond);

void BM_SaveResultsAsTextFile(benchmark::State &state)
{
    Form1 &form = *bench().form;
    for (auto _ : state)
        form.exportCommands().saveResultsAsText();
    state.counters["bytes"] = double(QFileInfo(bench().platform.savePath).size());
}
BENCHMARK(BM_SaveResultsAsTextFile)->Unit(benchmark::kMillisecond);

void BM_PlainLoopBuildingTheClipboardText(benchmark::State &state)
{
    const auto &rows = bench().rows;
    for (auto _ : state) {
        const auto widths = plainWidths(rows, false);
        std::string text;
        for (const auto &row : rows) {
            const size_t start = text.size();
            for (size_t column = 0; column < 3; ++column)
                appendPadded(text, row[column], widths[column]);
            text.pop_back();
            while (text.size() > start && text.back() == ' ')
                text.pop_back();
            text += "\r\n";
        }
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_PlainLoopBuildingTheClipboardText)->Unit(benchmark::kMillisecond);

void BM_CopyResultsToClipboard(benchmark::State &state)
{
    Form1 &form = *bench().form;
    for (auto _ : state)
        form.exportCommands().copyResultsToClipboard();
    state.counters["chars"] = double(QApplication::clipboard()->text().size());
}
BENCHMARK(BM_CopyResultsToClipboard)->Unit(benchmark::kMillisecond);

void BM_LibxlsxwriterWritingTheSameCells(benchmark::State &state)
{
    const auto &rows = bench().rows;
    const QByteArray path = QFile::encodeName(bench().machine.dir.filePath(QStringLiteral("plain.xlsx")));
    for (auto _ : state) {
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        lxw_workbook *book = workbook_new_opt(path.constData(), &options);
        lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
        lxw_format *text = workbook_add_format(book);
        format_set_num_format_index(text, 49);
        worksheet_set_column(sheet, 0, 2, LXW_DEF_COL_WIDTH, text);
        worksheet_ignore_errors(sheet, LXW_IGNORE_NUMBER_STORED_AS_TEXT, "A1:XFD1048576");
        const char *headers[] = {"Zip", "City", "State"};
        for (lxw_col_t column = 0; column < 3; ++column)
            worksheet_write_string(sheet, 0, column, headers[column], text);
        lxw_row_t sheetRow = 1;
        for (const auto &row : rows) {
            for (lxw_col_t column = 0; column < 3; ++column)
                worksheet_write_string(sheet, sheetRow, column, row[column].c_str(), text);
            ++sheetRow;
        }
        workbook_close(book);
    }
}
BENCHMARK(BM_LibxlsxwriterWritingTheSameCells)->Unit(benchmark::kMillisecond);

void BM_SaveResultsAsWorkbook(benchmark::State &state)
{
    Form1 &form = *bench().form;
    for (auto _ : state)
        form.exportCommands().saveResultsAsWorkbook();
    state.counters["opened"] = bench().platform.starts;
}
BENCHMARK(BM_SaveResultsAsWorkbook)->Unit(benchmark::kMillisecond);

void BM_TickEveryRowWithCtrlAAndSpace(benchmark::State &state)
{
    Form1 &form = *bench().form;
    ResultsModel &results = form.results();
    auto *view = form.findChild<QTreeView *>(QStringLiteral("ListView1"));
    QList<int> all;
    for (int row = 0; row < results.rowCount(); ++row)
        all.append(row);
    view->setFocus();
    for (auto _ : state) {
        state.PauseTiming();
        results.setTicked(all, false);
        view->clearSelection();
        view->setCurrentIndex(results.index(0, 0));
        QApplication::processEvents();
        state.ResumeTiming();
        QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(view, Qt::Key_Space);
        QApplication::processEvents(); // the repaint of the ticks
    }
    int ticked = 0;
    for (int row = 0; row < results.rowCount(); ++row)
        ticked += results.ticked(row);
    state.counters["ticked"] = ticked;
}
BENCHMARK(BM_TickEveryRowWithCtrlAAndSpace)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char *argv[])
{
    drawOffscreenUnlessChosen();
    QApplication application(argc, argv);
    const int result = runBenchmarksWithFigures(argc, argv, {
        {Figure::Ratio, "text file export / plain loop writing the same bytes", "BM_SaveResultsAsTextFile",
         "BM_PlainLoopWritingTheTextFile", 3.0},
        {Figure::Ratio, "clipboard text / plain loop building the same text", "BM_CopyResultsToClipboard",
         "BM_PlainLoopBuildingTheClipboardText", 3.0},
        {Figure::Ratio, "workbook / libxlsxwriter writing the same cells", "BM_SaveResultsAsWorkbook",
         "BM_LibxlsxwriterWritingTheSameCells", 2.0},
        {Figure::Milliseconds, "ticking every row with Ctrl+A and Space", "BM_TickEveryRowWithCtrlAAndSpace", "", 100.0},
    });
    benchSlot().reset();
    return result;
}
