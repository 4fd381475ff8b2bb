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
#include "WorkbookExport.h"
#include "WriterFailure.h"
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

// The text file writer's steps at the lines its error box names.
int textFileLine(const WriterFailure &failure)
{
    switch (failure.step()) {
    case WriterFailure::MeasureHeader:
        return 116;
    case WriterFailure::MeasureZip:
        return 126;
    case WriterFailure::MeasureCell:
        return 132;
    case WriterFailure::Open:
        return 156;
    case WriterFailure::HeaderCell:
        return 164;
    case WriterFailure::WriteHeader:
        return 170;
    case WriterFailure::ReadTick:
        return 188;
    case WriterFailure::ReadZip:
        return 198;
    case WriterFailure::ReadCell:
        return 204;
    case WriterFailure::WriteRow:
        return 222;
    case WriterFailure::Commit:
    default:
        return 232;
    }
}

// The workbook's steps at the lines of PushButton12_Click.
int workbookLine(const WriterFailure &failure)
{
    switch (failure.step()) {
    case WriterFailure::HeaderCell:
        return 124;
    case WriterFailure::FitColumn:
        return 134;
    case WriterFailure::ReadTick:
        return 144;
    case WriterFailure::ReadZip:
        return 154;
    case WriterFailure::ReadCell:
    default:
        return 158;
    }
}

} // namespace

ExportCommands::ExportCommands(const CommandContext &context) : m(context) {}

ExportCommands::~ExportCommands() = default;

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
    Routine writer(m.platform, QStringLiteral("Main"), QStringLiteral("SaveListviewProperlySpaced"));
    QSaveFile file(path);
    return writer.stepAt<WriterFailure>(textFileLine, [&] { writeAlignedText(m.results, file, path, progressOnBar()); });
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
    if (!r.test(110, [&] { return m.results.rowCount() == 0; }))
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
        || !r.stepAt<WriterFailure>(workbookLine, [&] { fillWorkbook(m.results, *book, loopYields()); }))
        return;
    r.step(168, [&] { book->fitAllColumns(); });
    if (!r.step(168, [&] { saveAsXlsx(*book, file->fileName()); }))
        return;
    if (r.step(168, [&] { m.platform.startDetached(program.first(), program.mid(1) << file->fileName()); }))
        m_openedWorkbooks.push_back(std::move(file));
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
