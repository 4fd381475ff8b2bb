#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QTemporaryFile;
class Routine;
class Workbook;
struct CommandContext;
struct ExportProgress;

// The three outputs of the ticked rows: the aligned text file, the workbook opened in the
// spreadsheet program, and the clipboard. Each holds the busy pointer while it runs, so the
// list cannot change under its walk.
class ExportCommands
{
public:
    explicit ExportCommands(const CommandContext &context);

    void saveResultsAsText();
    void saveResultsAsWorkbook();
    void copyResultsToClipboard();

private:
    ExportProgress loopYields() const;
    ExportProgress progressOnBar() const;

    bool writeTextFile(const QString &path);

    bool spreadsheetProgramFound(QStringList &command);
    void fillAndOpenWorkbook(Routine &r, const QStringList &program);
    bool writeHeaderRow(Routine &r, Workbook &book);
    bool writeListRows(Routine &r, Workbook &book);
    std::unique_ptr<QTemporaryFile> newWorkbookFile();

    void copyListToClipboard();
    void clearClipboard();
    void putOnClipboard(const QString &text);

    const CommandContext &m;
};
