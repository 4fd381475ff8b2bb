#include "ExportCommands.h"

#include "CaptionProgressBar.h"
#include "ClipboardText.h"
#include "CommandContext.h"
#include "DataFolder.h"
#include "ExportProgress.h"
#include "Platform.h"
#include "ResultsModel.h"
#include "TextExport.h"
#include "WindowPointer.h"
#include "Workbook.h"
#include "XlsxWorkbook.h"

#include <QSaveFile>
#include <QTemporaryFile>

#include <optional>
#include <stdexcept>

namespace {

// On Linux "*.*" would hide every file without a dot in its name.
const QString kTextFileFilter = QStringLiteral("Text Files (*.txt);;All Files (*)");
// As many attempts as a clipboard held by another program is given before the copy gives up.
constexpr int kClipboardAttempts = 1000;

} // namespace

ExportCommands::ExportCommands(const CommandContext &context) : m(context) {}

ExportProgress ExportCommands::loopYields() const
{
    return {[this] { m.platform.yieldInLoop(); }, {}, {}};
}

ExportProgress ExportCommands::progressOnBar() const
{
    ExportProgress progress = loopYields();
    progress.setPosition = [this](int position) { m.progressBar.setPosition(position); };
    progress.setCaption = [this](const QString &caption) { m.progressBar.setCaption(caption); };
    return progress;
}

void ExportCommands::saveResultsAsText()
{
    if (m.pointer.isBusy())
        return;
    Routine r = m.routine(QStringLiteral("PushButton6_Click"));
    QString path;
    r.step(114, [&] { path = m.platform.saveFileName(QStringLiteral("Save"), kTextFileFilter); });
    if (path.isEmpty())
        return;
    int answer = Platform::No;
    if (r.test(120, [&] { return fileExists(path); }))
        r.step(122, [&] {
            answer = m.platform.messageBox(QStringLiteral("Are you sure you wish to overwrite ") + path
                                               + QStringLiteral(" ?"),
                                           Platform::YesNo);
        });
    else
        answer = Platform::Yes;
    if (answer != Platform::Yes)
        return;
    r.step(128, [&] { m.pointer.set(WindowPointer::Busy); });
    bool written = false;
    r.step(130, [&] { written = writeTextFile(path); });
    r.step(132, [&] { m.pointer.set(WindowPointer::Default); });
    if (written)
        r.step(134, [&] { m.platform.messageBox(QStringLiteral("Done."), Platform::OkOnly); });
}

bool ExportCommands::writeTextFile(const QString &path)
{
    QSaveFile file(path);
    Routine writer(m.platform, QStringLiteral("Main"), QStringLiteral("SaveListviewProperlySpaced"));
    return saveListviewProperlySpaced(m.results, file, path, progressOnBar(), writer);
}

void ExportCommands::saveResultsAsWorkbook()
{
    if (m.pointer.isBusy())
        return;
    Routine r = m.routine(QStringLiteral("PushButton12_Click"));
    QStringList program;
    if (!r.test(100, [&] { return spreadsheetProgramFound(program); })) {
        r.step(172, [&] {
            m.platform.messageBox(QStringLiteral("Excel is not installed on this computer. You need to have it "
                                                 "installed to use this feature."),
                                  Platform::OkOnly);
        });
        return;
    }
    r.step(108, [&] { m.pointer.set(WindowPointer::Busy); });
    if (!r.test(110, [&] { return m.results.count() == 0; }))
        fillAndOpenWorkbook(r, program);
    r.step(170, [&] { m.pointer.set(WindowPointer::Default); });
}

bool ExportCommands::spreadsheetProgramFound(QStringList &command)
{
    try {
        command = m.platform.spreadsheetCommand();
    } catch (const std::exception &) {
        command.clear();
    }
    if (!command.isEmpty())
        return true;
    m.platform.messageBox(QStringLiteral("Excel is not installed on this computer. You need to have it installed "
                                         "to use this software without error."),
                          Platform::OkOnly);
    return false;
}

void ExportCommands::fillAndOpenWorkbook(Routine &r, const QStringList &program)
{
    // A workbook that cannot be made, or a list that changes under the walk, is reported once,
    // and nothing is opened.
    std::optional<Workbook> book;
    std::unique_ptr<QTemporaryFile> file;
    if (!r.step(112, [&] { book.emplace(); }) || !r.step(114, [&] { file = newWorkbookFile(); })
        || !writeHeaderRow(r, *book) || !writeListRows(r, *book))
        return;
    r.step(168, [&] { book->fitAllColumns(); });
    if (!r.step(168, [&] { saveAsXlsx(*book, file->fileName()); }))
        return;
    // The spreadsheet program reads the file whenever it gets to it: once it is started, the file
    // stays for the next start to remove. On every other way out it goes now.
    if (r.step(168, [&] { m.platform.startDetached(program.first(), program.mid(1) << file->fileName()); }))
        file->setAutoRemove(false);
}

bool ExportCommands::writeHeaderRow(Routine &r, Workbook &book)
{
    const int columns = m.results.columnHeaderCount();
    for (int column = 0; column < columns; ++column) {
        if (!r.step(122, [&] { m.platform.yieldInLoop(); })
            || !r.step(124, [&] { book.setCell(1, column + 1, m.results.header(column)); })
            || !r.step(134, [&] { book.fitColumn(column + 1); }))
            return false;
    }
    return true;
}

bool ExportCommands::writeListRows(Routine &r, Workbook &book)
{
    const int rows = m.results.count();
    const int columns = m.results.columnHeaderCount();
    for (int row = 0; row < rows; ++row) {
        bool ticked = false;
        if (!r.step(142, [&] { m.platform.yieldInLoop(); }) || !r.step(144, [&] { ticked = m.results.ticked(row); }))
            return false;
        // An unticked row leaves its sheet row empty: list row r always lands in sheet row r + 1.
        const int sheetRow = row + 2;
        for (int column = 0; ticked && column < columns; ++column) {
            const bool zip = column == 0;
            if (!r.step(150, [&] { m.platform.yieldInLoop(); }) || !r.step(zip ? 154 : 158, [&] {
                    QString text = m.results.cell(row, column);
                    book.setCell(sheetRow, column + 1, zip ? text : text.remove(QLatin1Char('=')));
                }))
                return false;
        }
    }
    return true;
}

std::unique_ptr<QTemporaryFile> ExportCommands::newWorkbookFile()
{
    auto file = std::make_unique<QTemporaryFile>(m.platform.temporaryFolder() + QStringLiteral("/Quillmap-XXXXXX.xlsx"));
    if (!file->open())
        throw std::runtime_error(file->errorString().toStdString());
    file->close();
    return file;
}

void ExportCommands::copyResultsToClipboard()
{
    if (m.pointer.isBusy())
        return;
    Routine r = m.routine(QStringLiteral("PushButton18_Click"));
    r.step(106, [&] { m.progressBar.setCaption(QStringLiteral("Copying text to clipboard.. please wait..")); });
    r.step(108, [&] { m.pointer.set(WindowPointer::Busy); });
    if (r.step(110, [&] { copyListToClipboard(); }))
        r.step(112, [&] {
            m.platform.messageBox(QStringLiteral("Results have been copied to the clipboard.\r\rClick a text area "
                                                 "where you normally type and press Ctrl+V to paste the clipboard."),
                                  Platform::OkOnly);
        });
    r.step(114, [&] { m.pointer.set(WindowPointer::Default); });
    r.step(116, [&] { m.progressBar.setCaption(QStringLiteral("Progress Bar")); });
}

void ExportCommands::copyListToClipboard()
{
    const std::optional<QString> text = clipboardTextOf(m.results, loopYields());
    if (!text) // an empty list leaves the clipboard as it was
        return;
    clearClipboard();
    putOnClipboard(*text);
}

void ExportCommands::clearClipboard()
{
    // A clipboard that cannot be cleared is no failure: the text that follows replaces it anyway.
    for (int attempt = 0; attempt < kClipboardAttempts; ++attempt) {
        try {
            m.platform.clipboardClear();
            return;
        } catch (const std::exception &) {
        }
    }
}

void ExportCommands::putOnClipboard(const QString &text)
{
    // A clipboard held by another program may ignore the text without a word: it is read back.
    for (int attempt = 0; attempt < kClipboardAttempts; ++attempt) {
        try {
            m.platform.clipboardSetText(text);
            if (m.platform.clipboardText() == text)
                return;
        } catch (const std::exception &) {
        }
    }
    throw std::runtime_error("The clipboard did not take the text.");
}
