#pragma once

#include <exception>
#include <stdexcept>
#include <utility>

// How every writer fails: what went wrong, and at which of the writer's steps, so the command
// that runs it can tell the person where. A writer stops at its first failure.
class WriterFailure : public std::runtime_error
{
public:
    enum Step {
        MeasureHeader,
        MeasureZip,
        MeasureCell,
        Open,
        HeaderCell,
        WriteHeader,
        ReadTick,
        ReadZip,
        ReadCell,
        WriteRow,
        FitColumn,
        Commit,
        SaveWorkbook,
    };

    WriterFailure(Step step, const char *description) : std::runtime_error(description), m_step(step) {}

    Step step() const { return m_step; }

private:
    Step m_step;
};

// Runs one step of a writer; a failure inside it leaves as a WriterFailure of that step.
template <class Run>
void writerStep(WriterFailure::Step step, Run &&run)
{
    try {
        std::forward<Run>(run)();
    } catch (const std::exception &failure) {
        throw WriterFailure(step, failure.what());
    }
}
