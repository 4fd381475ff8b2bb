#pragma once

#include "Platform.h"

#include <memory>

class QAbstractFileIconProvider;
class QFileDialog;
class QWidget;

// The real desktop behind Platform: Qt's dialogs, clipboard, processes and event loop.
class QtPlatform : public Platform
{
public:
    QtPlatform();
    ~QtPlatform() override;

    // Boxes and dialogs are modal to this window once it is set.
    void setDialogParent(QWidget *parent) { m_dialogParent = parent; }

    QString inputBox(const QString &prompt, const QString &title) override;
    QString saveFileName(const QString &title, const QString &filter) override;
    QString openFileName(const QString &title, const QString &filter) override;
    // A file dialog as the program shows it, not yet shown. Its icons and file types come from
    // each entry's kind and name alone: Qt's own read a file's first bytes, which blocks for good
    // on a file that never ends (/proc/kmsg).
    std::unique_ptr<QFileDialog> fileDialog(const QString &title, const QString &filter);
    void clipboardClear() override;
    void clipboardSetText(const QString &text) override;
    QString clipboardText() override;
    void yield() override;
    void pause(int milliseconds) override;
    void yieldInLoop() override;
    void startDetached(const QString &program, const QStringList &arguments) override;
    void openUrl(const QString &url) override;
    QStringList spreadsheetCommand() override;
    // The user's own folder in the cache (mode 0700). A workbook handed to the spreadsheet
    // program stays there, so the program can read it however late; the next start removes it.
    QString temporaryFolder() override;
    // Removes the files of that folder that are a day old.
    void removeOldHandedFiles();
    RandomSource &random() override { return m_random; }
    QString commonAppDataFolder() override;
    QString programFolder() override;
    QString serverSetting() override;

protected:
    BoxAnswer showMessageBox(const QString &text, BoxStyle style, const QString &title) override;

private:
    static QString handedFilesFolder();

    QWidget *m_dialogParent = nullptr;
    qint64 m_lastPumpMs = 0;
    std::unique_ptr<QAbstractFileIconProvider> m_fileIcons; // made with the first dialog
    SystemRandomSource m_random;
};
