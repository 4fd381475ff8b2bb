#include "ExportCommands.h"

#include "CaptionProgressBar.h"
#include "ClipboardText.h"
#include "DataFolder.h"
#include "DeviceWrite.h"
#include "FormRoutine.h"
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
// As many attempts as a clipboard held by another program is given before the copy gives up,
// with a pause between them for that program to let it go.
constexpr int kClipboardAttempts = 1000;
constexpr int kClipboardRetryPauseMs = 5;

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

ExportCommands::ExportCommands(Platform &platform, ResultsModel &results, WindowPointer &pointer,
                               CaptionProgressBar &progressBar)
    : m_platform(platform), m_results(results), m_pointer(pointer), m_progressBar(progressBar)
{
}

ExportProgress ExportCommands::loopYields() const
{
    return {[this] { m_platform.yieldInLoop(); }, {}, {}};
}

ExportProgress ExportCommands::progressOnBar() const
{
    ExportProgress progress = loopYields();
    progress.setPosition = [this](int position) { m_progressBar.setPosition(position); };
    progress.setCaption = [this](const QString &caption) { m_progressBar.setCaption(caption); };
    return progress;
}

void ExportCommands::saveResultsAsText()
{
    if (m_pointer.isBusy())
        return;
    Routine r = formRoutine(m_platform, QStringLiteral("PushButton6_Click"));
    QString path;
    r.step(114, [&] { path = m_platform.saveFileName(QStringLiteral("Save"), kTextFileFilter); });
    if (path.isEmpty())
        return;
    Platform::BoxAnswer answer = Platform::No;
    if (r.test(120, [&] { return fileExists(path); }))
        r.step(122, [&] {
            answer = m_platform.messageBox(QStringLiteral("Are you sure you wish to overwrite ") + path
                                               + QStringLiteral(" ?"),
                                           Platform::YesNo);
        });
    else
        answer = Platform::Yes;
    if (answer != Platform::Yes)
        return;
    r.step(128, [&] { m_pointer.set(WindowPointer::Busy); });
    bool written = false;
    r.step(130, [&] { written = writeTextFile(path); });
    r.step(132, [&] { m_pointer.set(WindowPointer::Default); });
    if (written)
        r.step(134, [&] { m_platform.messageBox(QStringLiteral("Done."), Platform::OkOnly); });
}

bool ExportCommands::writeTextFile(const QString &path)
{
    Routine writer(m_platform, QStringLiteral("Main"), QStringLiteral("SaveListviewProperlySpaced"));
    QSaveFile file(path);
    return writer.stepAt<WriterFailure>(textFileLine, [&] {
        // Leaving this scope brings the bar to rest, before the box of a failed step shows.
        AlignedTextWriter text(m_results, path, progressOnBar());
        text.measure();
        writerStep(WriterFailure::Open, [&] { openForWriting(file); });
        text.write(file);
        writerStep(WriterFailure::Commit, [&] { commitAll(file); });
    });
}

void ExportCommands::saveResultsAsWorkbook()
{
    if (m_pointer.isBusy())
        return;
    Routine r = formRoutine(m_platform, QStringLiteral("PushButton12_Click"));
    QStringList program;
    if (r.test(100, [&] { return (program = spreadsheetProgram()).isEmpty(); })) {
        r.step(100, [&] {
            m_platform.messageBox(QStringLiteral("Excel is not installed on this computer. You need to have it "
                                                 "installed to use this software without error."),
                                  Platform::OkOnly);
        });
        r.step(172, [&] {
            m_platform.messageBox(QStringLiteral("Excel is not installed on this computer. You need to have it "
                                                 "installed to use this feature."),
                                  Platform::OkOnly);
        });
        return;
    }
    r.step(108, [&] { m_pointer.set(WindowPointer::Busy); });
    if (!r.test(110, [&] { return m_results.rowCount() == 0; }))
        fillAndOpenWorkbook(r, program);
    r.step(170, [&] { m_pointer.set(WindowPointer::Default); });
}

QStringList ExportCommands::spreadsheetProgram()
{
    try {
        return m_platform.spreadsheetCommand();
    } catch (const std::exception &) {
        return {};
    }
}

void ExportCommands::fillAndOpenWorkbook(Routine &r, const QStringList &program)
{
    // A workbook that cannot be made, or a list that changes under the walk, is reported once,
    // and nothing is opened.
    std::optional<Workbook> book;
    std::unique_ptr<QTemporaryFile> file;
    if (!r.step(112, [&] { book.emplace(); }) || !r.step(114, [&] { file = newWorkbookFile(); })
        || !r.stepAt<WriterFailure>(workbookLine, [&] { fillWorkbook(m_results, *book, loopYields()); }))
        return;
    r.step(168, [&] { book->fitAllColumns(); });
    if (!r.step(168, [&] { saveAsXlsx(*book, file->fileName()); }))
        return;
    // The spreadsheet program reads the file whenever it gets to it: once it is started, the file
    // stays for the next start to remove. On every other way out it goes now.
    if (r.step(168, [&] { m_platform.startDetached(program.first(), program.mid(1) << file->fileName()); }))
        file->setAutoRemove(false);
}

std::unique_ptr<QTemporaryFile> ExportCommands::newWorkbookFile()
{
    auto file = std::make_unique<QTemporaryFile>(m_platform.temporaryFolder() + QStringLiteral("/Quillmap-XXXXXX.xlsx"));
    if (!file->open())
        throw std::runtime_error(file->errorString().toStdString());
    file->close();
    return file;
}

void ExportCommands::copyResultsToClipboard()
{
    if (m_pointer.isBusy())
        return;
    Routine r = formRoutine(m_platform, QStringLiteral("PushButton18_Click"));
    r.step(106, [&] { m_progressBar.setCaption(QStringLiteral("Copying text to clipboard.. please wait..")); });
    r.step(108, [&] { m_pointer.set(WindowPointer::Busy); });
    if (r.step(110, [&] { copyListToClipboard(); }))
        r.step(112, [&] {
            m_platform.messageBox(QStringLiteral("Results have been copied to the clipboard.\r\rClick a text area "
                                                 "where you normally type and press Ctrl+V to paste the clipboard."),
                                  Platform::OkOnly);
        });
    r.step(114, [&] { m_pointer.set(WindowPointer::Default); });
    r.step(116, [&] { m_progressBar.setCaption(QLatin1String(kIdleProgressCaption)); });
}

void ExportCommands::copyListToClipboard()
{
    const std::optional<QString> text = clipboardTextOf(m_results, loopYields());
    if (!text) // an empty list leaves the clipboard as it was
        return;
    clearClipboard();
    putOnClipboard(*text);
}

void ExportCommands::clearClipboard()
{
    // A clipboard that cannot be cleared is no failure: the text that follows replaces it anyway.
    for (int attempt = 1; attempt <= kClipboardAttempts; ++attempt) {
        try {
            m_platform.clipboardClear();
            return;
        } catch (const std::exception &) {
        }
        pauseBeforeAttempt(attempt + 1);
    }
}

void ExportCommands::putOnClipboard(const QString &text)
{
    // A clipboard held by another program may ignore the text without a word: it is read back.
    for (int attempt = 1; attempt <= kClipboardAttempts; ++attempt) {
        try {
            m_platform.clipboardSetText(text);
            if (m_platform.clipboardText() == text)
                return;
        } catch (const std::exception &) {
        }
        pauseBeforeAttempt(attempt + 1);
    }
    // Said rather than passed over: the copy would otherwise announce a text that is not there.
    throw std::runtime_error("The clipboard did not take the text.");
}

void ExportCommands::pauseBeforeAttempt(int attempt)
{
    if (attempt <= kClipboardAttempts)
        m_platform.pause(kClipboardRetryPauseMs);
}
