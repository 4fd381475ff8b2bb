#pragma once

// Prints, after the usual table, each figure a goal is set for: a ratio of two benchmarks of the
// same run, a time, or a counter, with its goal and whether the run met it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

struct Figure {
    enum Kind { Ratio, Milliseconds, Counter };
    Kind kind;
    std::string label;
    std::string benchmark;
    // The denominator's benchmark for a ratio; the counter's name for a counter.
    std::string other;
    double atMost;
};

class FigureReporter : public benchmark::ConsoleReporter
{
public:
    explicit FigureReporter(std::vector<Figure> figures) : m_figures(std::move(figures)) {}

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration)
                continue;
            Measured &measured = m_measured[run.run_name.function_name];
            measured.seconds = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            for (const auto &[name, counter] : run.counters)
                measured.counters[name] = counter.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\n%-58s %12s %10s\n", "figure", "measured", "goal");
        for (const Figure &figure : m_figures) {
            double value = 0;
            if (!valueOf(figure, value)) {
                std::printf("%-58s %12s\n", figure.label.c_str(), "not run");
                continue;
            }
            const char *unit = figure.kind == Figure::Ratio ? "x" : figure.kind == Figure::Milliseconds ? " ms" : "";
            std::printf("%-58s %10.2f%-2s %7s%.1f%-2s %s\n", figure.label.c_str(), value, unit, "<= ", figure.atMost,
                        unit, value <= figure.atMost ? "met" : "MISSED");
        }
    }

private:
    struct Measured {
        double seconds = 0;
        std::map<std::string, double> counters;
    };

    bool valueOf(const Figure &figure, double &value) const
    {
        const auto measured = m_measured.find(figure.benchmark);
        if (measured == m_measured.end())
            return false;
        switch (figure.kind) {
        case Figure::Ratio: {
            const auto base = m_measured.find(figure.other);
            if (base == m_measured.end() || base->second.seconds <= 0)
                return false;
            value = measured->second.seconds / base->second.seconds;
            return true;
        }
        case Figure::Milliseconds:
            value = measured->second.seconds * 1000.0;
            return true;
        case Figure::Counter: {
            const auto counter = measured->second.counters.find(figure.other);
            if (counter == measured->second.counters.end())
                return false;
            value = counter->second;
            return true;
        }
        }
        return false;
    }

    std::vector<Figure> m_figures;
    std::map<std::string, Measured> m_measured;
};

// Runs the benchmarks named on the command line (all by default) and prints the figures after them.
inline int runBenchmarksWithFigures(int &argc, char *argv[], std::vector<Figure> figures)
{
    benchmark::Initialize(&argc, argv);
    FigureReporter reporter(std::move(figures));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
