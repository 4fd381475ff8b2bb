#pragma once

#include <QString>

#include <exception>
#include <utility>

class Dialogs;

// The error box's text: the failure, the routine's location and line, and where to send it.
QString errorBoxText(const QString &description, const QString &owner, const QString &routine, int line);

// The failure handler of one command routine. Each numbered step runs through it; a step that
// throws is reported in the error box with its line, and the routine goes on with its next step.
class Routine
{
public:
    Routine(Dialogs &dialogs, QString owner, QString name);

    // Runs one step; returns false when it failed (and was reported).
    template <class Step>
    bool step(int line, Step &&run)
    {
        try {
            std::forward<Step>(run)();
            return true;
        } catch (const std::exception &failure) {
            report(line, QString::fromUtf8(failure.what()));
        } catch (...) {
            report(line, QStringLiteral("Unexpected failure"));
        }
        return false;
    }

    // Runs a step whose Failure tells itself where it happened: it is reported at the line that
    // lineOf gives it. Any other failure goes on to the caller's handler.
    template <class Failure, class LineOf, class Step>
    bool stepAt(LineOf &&lineOf, Step &&run)
    {
        try {
            std::forward<Step>(run)();
            return true;
        } catch (const Failure &failure) {
            report(std::forward<LineOf>(lineOf)(failure), QString::fromUtf8(failure.what()));
        }
        return false;
    }

    // Runs the test of a conditional. A test that fails counts as true, so the steps it guards run.
    template <class Test>
    [[nodiscard]] bool test(int line, Test &&check)
    {
        bool holds = true;
        step(line, [&] { holds = std::forward<Test>(check)(); });
        return holds;
    }

private:
    void report(int line, const QString &description);

    Dialogs &m_dialogs;
    QString m_owner;
    QString m_name;
};
