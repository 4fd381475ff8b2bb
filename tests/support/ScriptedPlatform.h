#pragma once

#include "Platform.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// A Platform for tests: answers boxes, prompts and dialogs from queues, records every box and
// command it was given, and serves folders chosen by the test. It never opens a window.
class ScriptedPlatform : public Platform
{
public:
    struct Box {
        QString text;
        BoxStyle style = OkOnly;
        QString title;
        bool operator==(const Box &) const = default;
    };

    QString commonRoot;
    QString program;
    // The server setting the program reads; empty for the embedded store.
    QString server;
    // When not empty, reading the server setting fails with this text.
    QString serverRefusal;
    QList<Box> boxes;
    // Answers for the boxes in the order they come; a box without one is answered OK.
    QList<BoxAnswer> answers;
    // Texts typed into the input boxes in order; a prompt without one is cancelled.
    QList<QString> typed;
    QStringList prompts;
    // The path chosen in the next Save dialogs; none left means Cancel.
    QStringList savePaths;
    // The paths chosen in the next Open dialogs; none left means Cancel.
    QStringList openPaths;
    QList<double> randoms;
    QList<QStringList> startedCommands;
    QStringList openedUrls;
    bool startFails = false;
    // The spreadsheet program's command line; empty means none is installed.
    QStringList spreadsheet;
    // Where files for other programs go; the system's temporary folder when empty.
    QString temporaryFolderPath;
    QString clipboard;
    // How many of the next attempts to put text on the clipboard it ignores, as a clipboard
    // held by another program does.
    int clipboardRefusals = 0;
    int clipboardAttempts = 0;
    int yields = 0;
    // The pauses asked for, in milliseconds each.
    QList<int> pauses;
    // Runs while a box is shown, before it is answered.
    std::function<void(const Box &)> onBox;
    // Runs inside the yield with that count (1 for the first).
    std::function<void(int)> onYield;

    QString inputBox(const QString &prompt, const QString &title) override;
    QString saveFileName(const QString &title, const QString &filter) override;
    QString openFileName(const QString &title, const QString &filter) override;
    void clipboardClear() override { clipboard.clear(); }
    void clipboardSetText(const QString &text) override;
    QString clipboardText() override { return clipboard; }
    void yield() override;
    void pause(int milliseconds) override { pauses.append(milliseconds); }
    void yieldInLoop() override { yield(); }
    void startDetached(const QString &program, const QStringList &arguments) override;
    void openUrl(const QString &url) override;
    QStringList spreadsheetCommand() override { return spreadsheet; }
    QString temporaryFolder() override;
    RandomSource &random() override { return m_random; }
    QString commonAppDataFolder() override { return commonRoot; }
    QString programFolder() override { return program; }
    QString serverSetting() override;

protected:
    BoxAnswer showMessageBox(const QString &text, BoxStyle style, const QString &title) override;

private:
    // Draws the scripted numbers in order, then 0.5, which never visits the home page.
    struct ScriptedRandom : RandomSource {
        explicit ScriptedRandom(QList<double> &numbers) : scripted(numbers) {}
        double nextFraction() override { return scripted.isEmpty() ? 0.5 : scripted.takeFirst(); }
        QList<double> &scripted;
    } m_random{randoms};
};

// The box that the failure handler shows for a step of one of the window's routines.
ScriptedPlatform::Box errorBox(const QString &description, const QString &routine, int line);
