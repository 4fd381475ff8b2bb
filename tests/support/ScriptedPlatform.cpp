#include "ScriptedPlatform.h"

#include "Routine.h"

#include <stdexcept>

void ScriptedPlatform::yield()
{
    ++yields;
    if (onYield)
        onYield(yields);
}

void ScriptedPlatform::startDetached(const QString &programName, const QStringList &arguments)
{
    if (startFails)
        throw std::runtime_error("The system cannot find the file specified.");
    startedCommands.append(QStringList{programName} + arguments);
}

int ScriptedPlatform::showMessageBox(const QString &text, int style, const QString &title)
{
    boxes.append({text, style, title});
    return answers.isEmpty() ? Ok : answers.takeFirst();
}

ScriptedPlatform::Box errorBox(const QString &description, const QString &routine, int line)
{
    return {errorBoxText(description, QStringLiteral("Form1"), routine, line), Platform::Exclamation,
            QStringLiteral("Application Error")};
}
