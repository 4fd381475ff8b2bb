#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QTemporaryFile;
class Routine;
struct CommandContext;
struct ExportProgress;

// The three outputs of the ticked rows: the aligned text file, the workbook opened in the
// spreadsheet program, and the clipboard. Each holds the busy pointer while it runs, so the
// list cannot change under its walk.
class ExportCommands
{
public:
    explicit ExportCommands(const CommandContext &context);
    // Removes the workbook files handed to the spreadsheet program: they stay while the program runs.
    ~ExportCommands();

    void saveResultsAsText();
    void saveResultsAsWorkbook();
    void copyResultsToClipboard();

private:
    ExportProgress loopYields() const;
    ExportProgress progressOnBar() const;

    bool writeTextFile(const QString &path);

    bool spreadsheetProgramFound(QStringList &command);
    void fillAndOpenWorkbook(Routine &r, const QStringList &program);
    std::unique_ptr<QTemporaryFile> newWorkbookFile();

    void copyListToClipboard();
    void clearClipboard();
    void putOnClipboard(const QString &text);

    const CommandContext &m;
    std::vector<std::unique_ptr<QTemporaryFile>> m_openedWorkbooks;
};
