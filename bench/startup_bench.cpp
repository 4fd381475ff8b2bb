// Start-up to the shown window, as processes: the program's start (a later start, the working
// copy already there) against a bare Qt window of the same size, both started from this one
// binary so they pay the same loading. Run: xvfb-run -a build/bin/startup_bench
// (or QT_QPA_PLATFORM=offscreen build/bin/startup_bench).
#include "Form1.h"
#include "QtPlatform.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QWindow>

#include "FigureReporter.h"
#include "ProcessTiming.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <string>

namespace {

std::string g_self;
std::string g_dataRoot;

// The real platform with the machine-wide folder moved to a folder of the benchmark's own, and
// no home-page visit (its box would wait for a person).
class BenchPlatform : public QtPlatform
{
public:
    explicit BenchPlatform(QString root) : m_root(std::move(root)) {}
    QString commonAppDataFolder() override { return m_root; }
    RandomSource &random() override { return m_neverVisits; }

private:
    struct : RandomSource {
        double nextFraction() override { return 0.5; }
    } m_neverVisits;
    QString m_root;
};

void waitUntilExposed(QWidget &window)
{
    while (!window.windowHandle() || !window.windowHandle()->isExposed())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

int runChild(int argc, char *argv[])
{
    QApplication application(argc, argv);
    if (std::strcmp(argv[1], "--bare-window") == 0) {
        QWidget window;
        window.setFixedSize(536, 558);
        window.show();
        waitUntilExposed(window);
        return 0;
    }
    BenchPlatform platform(QString::fromLocal8Bit(argv[2]));
    Form1 form(platform);
    form.load();
    platform.setDialogParent(&form);
    form.show();
    waitUntilExposed(form);
    return 0;
}

double spawnSeconds(const std::vector<std::string> &arguments)
{
    return secondsToRun(g_self, arguments);
}

void measure(benchmark::State &state, const std::vector<std::string> &arguments)
{
    for (auto _ : state) {
        const double seconds = spawnSeconds(arguments);
        if (seconds < 0) {
            state.SkipWithError("the child failed");
            return;
        }
        state.SetIterationTime(seconds);
    }
}

void BM_BareQtWindowShown(benchmark::State &state)
{
    measure(state, {g_self, "--bare-window"});
}
BENCHMARK(BM_BareQtWindowShown)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

void BM_QuillmapStartToShownWindow(benchmark::State &state)
{
    measure(state, {g_self, "--quillmap", g_dataRoot});
}
BENCHMARK(BM_QuillmapStartToShownWindow)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && (std::strcmp(argv[1], "--bare-window") == 0 || std::strcmp(argv[1], "--quillmap") == 0))
        return runChild(argc, argv);
    g_self = argv[0];
    QTemporaryDir dataRoot;
    g_dataRoot = dataRoot.path().toStdString();
    // The first start provisions the working copy; the measured starts are the later ones.
    spawnSeconds({g_self, "--quillmap", g_dataRoot});
    return runBenchmarksWithFigures(argc, argv, {
        {Figure::Ratio, "start-up to the shown window / bare Qt window", "BM_QuillmapStartToShownWindow",
         "BM_BareQtWindowShown", 1.5},
    });
}
