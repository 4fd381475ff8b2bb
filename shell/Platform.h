#pragma once

#include "Dialogs.h"
#include "RandomSource.h"

#include <QString>
#include <QStringList>

// Everything else a command routine needs from the outside world. The program uses QtPlatform;
// tests use a scripted platform.
class Platform : public Dialogs
{
public:
    // The clipboard, plain text only; each call throws when the clipboard refuses it.
    virtual void clipboardClear() = 0;
    virtual void clipboardSetText(const QString &text) = 0;
    virtual QString clipboardText() = 0;

    // Lets pending window messages run, every time it is called.
    virtual void yield() = 0;
    // Waits the milliseconds, the window's messages running meanwhile.
    virtual void pause(int milliseconds) = 0;
    // The yield inside a long loop (a row, a cell): it may let messages run only now and then,
    // so a loop of tens of thousands of passes stays fast and the window stays responsive.
    virtual void yieldInLoop() = 0;
    // Starts a program without waiting for it; throws when it cannot be started.
    virtual void startDetached(const QString &program, const QStringList &arguments) = 0;
    // Opens an address in the desktop's handler for it, without waiting. Where the desktop has no
    // opener at all it does nothing; it throws when the opener cannot open the address.
    virtual void openUrl(const QString &url) = 0;
    // The desktop's spreadsheet program: the command line that opens a workbook file named after
    // it, as a new unsaved document where the program can. Empty when none is found.
    virtual QStringList spreadsheetCommand() = 0;
    // A folder for files the program hands to other programs.
    virtual QString temporaryFolder() = 0;
    // The numbers the home-page draw takes.
    virtual RandomSource &random() = 0;
    // The folder shared by every user of the machine for application data; empty when none.
    virtual QString commonAppDataFolder() = 0;
    // The folder of the executable, which holds the shipped files.
    virtual QString programFolder() = 0;
    // The office's server from the machine-wide setting, or the empty text for the embedded
    // store; throws, naming the setting, when the setting is refused.
    virtual QString serverSetting() = 0;
};
