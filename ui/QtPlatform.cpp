#include "QtPlatform.h"

#include "AppInfo.h"
#include "DataRoot.h"
#include "PrivateFolder.h"
#include "ServerSetting.h"
#include "TextLengthLimit.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include <stdexcept>
#include <time.h>

namespace {

// Pumping the event loop costs far more than a row of an export; a pass every 15 ms keeps the
// window responsive without paying for hundreds of thousands of empty passes.
constexpr qint64 kYieldIntervalMs = 15;

// Milliseconds on a monotonic clock that is cheap to read: the loop yield reads it on every row
// and cell of an export. Linux's coarse clock costs a fraction of the precise one, and its tick
// (a few milliseconds) is finer than the yield interval.
qint64 loopClockMs()
{
#ifdef CLOCK_MONOTONIC_COARSE
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
#else
    static const QElapsedTimer started = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return started.elapsed();
#endif
}

// Icons and type names that never open the file: the kind of entry, then the name's extension.
class IconsByName : public QFileIconProvider
{
public:
    using QFileIconProvider::icon;
    QIcon icon(const QFileInfo &info) const override
    {
        if (info.isRoot())
            return QFileIconProvider::icon(Drive);
        return QFileIconProvider::icon(info.isDir() ? Folder : File);
    }
    QString type(const QFileInfo &info) const override
    {
        if (!info.isFile() || info.isRoot())
            return QFileIconProvider::type(info);
        return QMimeDatabase().mimeTypeForFile(info, QMimeDatabase::MatchExtension).comment();
    }
};

} // namespace

QtPlatform::QtPlatform()
{
    m_lastPumpMs = loopClockMs();
}

QtPlatform::~QtPlatform() = default;

Dialogs::BoxAnswer QtPlatform::showMessageBox(const QString &text, BoxStyle style, const QString &title)
{
    // The stored text keeps CR LF and CR CR; the label wants plain line feeds.
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));

    QMessageBox box(m_dialogParent);
    // The desktop's own font, not the bold one the main window hands down to its children.
    box.setFont(QApplication::font());
    box.setTextFormat(Qt::PlainText);
    box.setWindowTitle(title);
    box.setText(shown);
    // So a box's text can be copied (the ZIP's details, an error to report).
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.setWindowModality(Qt::ApplicationModal);
    if (style == YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        if (style == Exclamation)
            box.setIcon(QMessageBox::Warning);
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Yes;
    case QMessageBox::No:
        return No;
    default:
        return Ok;
    }
}

QString QtPlatform::inputBox(const QString &prompt, const QString &title)
{
    QInputDialog dialog(m_dialogParent);
    dialog.setFont(QApplication::font());
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(QString());
    if (auto *box = dialog.findChild<QLineEdit *>())
        refuseOverlongEdits(*box, [this](qsizetype length) { messageBox(overlongTextMessage(length), OkOnly); });
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
}

std::unique_ptr<QFileDialog> QtPlatform::fileDialog(const QString &title, const QString &filter)
{
    if (!m_fileIcons)
        m_fileIcons = std::make_unique<IconsByName>();
    auto dialog = std::make_unique<QFileDialog>(m_dialogParent, title, QString(), filter);
    dialog->setFont(QApplication::font());
    dialog->setIconProvider(m_fileIcons.get());
    return dialog;
}

QString QtPlatform::saveFileName(const QString &title, const QString &filter)
{
    const std::unique_ptr<QFileDialog> dialog = fileDialog(title, filter);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    // The command asks about an existing file itself, and a name typed without an extension
    // is used exactly as typed.
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    dialog->setDefaultSuffix(QString());
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return {};
    return QDir::toNativeSeparators(dialog->selectedFiles().constFirst());
}

QString QtPlatform::openFileName(const QString &title, const QString &filter)
{
    const std::unique_ptr<QFileDialog> dialog = fileDialog(title, filter);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return {};
    return QDir::toNativeSeparators(dialog->selectedFiles().constFirst());
}

void QtPlatform::clipboardClear()
{
    QApplication::clipboard()->clear();
}

void QtPlatform::clipboardSetText(const QString &text)
{
    QApplication::clipboard()->setText(text);
}

QString QtPlatform::clipboardText()
{
    return QApplication::clipboard()->text();
}

void QtPlatform::yield()
{
    QApplication::processEvents();
    m_lastPumpMs = loopClockMs();
}

void QtPlatform::pause(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
    m_lastPumpMs = loopClockMs();
}

void QtPlatform::yieldInLoop()
{
    if (loopClockMs() - m_lastPumpMs >= kYieldIntervalMs)
        yield();
}

void QtPlatform::startDetached(const QString &program, const QStringList &arguments)
{
    if (!QProcess::startDetached(program, arguments))
        throw std::runtime_error(QStringLiteral("Cannot start %1").arg(program).toStdString());
}

void QtPlatform::openUrl(const QString &url)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // Qt asks xdg-open, which the package only recommends. Without it there is no one to ask, and
    // an error box before the window would tell a person of nothing they can act on.
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty())
        return;
#endif
    if (!QDesktopServices::openUrl(QUrl(url)))
        throw std::runtime_error(QStringLiteral("Cannot open %1").arg(url).toStdString());
}

QStringList QtPlatform::spreadsheetCommand()
{
    // LibreOffice's -n opens the file as a template: a new, untitled document that leaves the
    // file alone.
    for (const char *name : {"soffice", "libreoffice"}) {
        const QString program = QStandardPaths::findExecutable(QLatin1String(name));
        if (!program.isEmpty())
            return {program, QStringLiteral("-n")};
    }
    // Otherwise the desktop's own handler for .xlsx, when it has one: xdg-open cannot ask it for
    // a new document, and it says nothing when no handler is set up.
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    const QString mimeQuery = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (opener.isEmpty() || mimeQuery.isEmpty())
        return {};
    QProcess query;
    query.start(mimeQuery, {QStringLiteral("query"), QStringLiteral("default"),
                            QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet")});
    if (!query.waitForFinished(5000) || query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0
        || query.readAllStandardOutput().trimmed().isEmpty())
        return {};
    return {opener};
}

QString QtPlatform::temporaryFolder()
{
    return preparePrivateFolder(handedFilesFolder());
}

void QtPlatform::removeOldHandedFiles()
{
    removeFilesOlderThan(handedFilesFolder(), std::chrono::hours(24));
}

QString QtPlatform::handedFilesFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QLatin1Char('/') + appinfo::kVendor
        + QLatin1Char('/') + appinfo::kDisplayName;
}

QString QtPlatform::commonAppDataFolder()
{
    return machineDataRoot();
}

QString QtPlatform::programFolder()
{
    return executableFolder();
}

QString QtPlatform::serverSetting()
{
    return configuredServer();
}
