#include "ScriptedPlatform.h"

#include "Routine.h"

#include <QDir>

#include <stdexcept>

QString ScriptedPlatform::inputBox(const QString &prompt, const QString &title)
{
    prompts.append(title + QStringLiteral(": ") + prompt);
    return typed.isEmpty() ? QString() : typed.takeFirst();
}

QString ScriptedPlatform::saveFileName(const QString &, const QString &)
{
    return savePaths.isEmpty() ? QString() : savePaths.takeFirst();
}

QString ScriptedPlatform::openFileName(const QString &, const QString &)
{
    return openPaths.isEmpty() ? QString() : openPaths.takeFirst();
}

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

void ScriptedPlatform::openUrl(const QString &url)
{
    if (startFails)
        throw std::runtime_error("The system cannot find the file specified.");
    openedUrls.append(url);
}

void ScriptedPlatform::clipboardSetText(const QString &text)
{
    ++clipboardAttempts;
    if (clipboardRefusals > 0) {
        --clipboardRefusals;
        return;
    }
    clipboard = text;
}

QString ScriptedPlatform::temporaryFolder()
{
    return temporaryFolderPath.isEmpty() ? QDir::tempPath() : temporaryFolderPath;
}

QString ScriptedPlatform::serverSetting()
{
    if (!serverRefusal.isEmpty())
        throw std::runtime_error(serverRefusal.toStdString());
    return server;
}

Dialogs::BoxAnswer ScriptedPlatform::showMessageBox(const QString &text, BoxStyle style, const QString &title)
{
    boxes.append({text, style, title});
    if (onBox)
        onBox(boxes.last());
    return answers.isEmpty() ? Ok : answers.takeFirst();
}

ScriptedPlatform::Box errorBox(const QString &description, const QString &routine, int line)
{
    return {errorBoxText(description, QStringLiteral("Form1"), routine, line), Platform::Exclamation,
            QStringLiteral("Application Error")};
}
