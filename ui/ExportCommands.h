#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class CaptionProgressBar;
class Platform;
class QTemporaryFile;
class ResultsModel;
class Routine;
class WindowPointer;
struct ExportProgress;

// The three outputs of the ticked rows: the aligned text file, the workbook opened in the
// spreadsheet program, and the clipboard. Each holds the busy pointer while it runs, so the
// list cannot change under its walk.
class ExportCommands
{
public:
    ExportCommands(Platform &platform, ResultsModel &results, WindowPointer &pointer, CaptionProgressBar &progressBar);

    void saveResultsAsText();
    void saveResultsAsWorkbook();
    void copyResultsToClipboard();

private:
    ExportProgress loopYields() const;
    ExportProgress progressOnBar() const;

    bool writeTextFile(const QString &path);

    // The probe: the spreadsheet program's command line, empty when there is none; never fails.
    QStringList spreadsheetProgram();
    void fillAndOpenWorkbook(Routine &r, const QStringList &program);
    std::unique_ptr<QTemporaryFile> newWorkbookFile();

    void copyListToClipboard();
    void clearClipboard();
    void putOnClipboard(const QString &text);
    void pauseBeforeAttempt(int attempt);

    Platform &m_platform;
    ResultsModel &m_results;
    WindowPointer &m_pointer;
    CaptionProgressBar &m_progressBar;
};
