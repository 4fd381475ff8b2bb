#pragma once

#include <QString>

// The modal boxes and dialogs a routine shows a person. The program shows Qt's; tests answer
// from a script, so no test ever opens one.
class Dialogs
{
public:
    // OK alone; Yes and No; OK with the warning icon (the error box).
    enum BoxStyle { OkOnly, YesNo, Exclamation };
    enum BoxAnswer { Ok, Yes, No };

    virtual ~Dialogs() = default;

    // A box that names no title of its own shows the application title.
    BoxAnswer messageBox(const QString &text, BoxStyle style, const QString &title = {})
    {
        return showMessageBox(text, style, title.isEmpty() ? m_appTitle : title);
    }
    void setAppTitle(const QString &title) { m_appTitle = title; }
    QString appTitle() const { return m_appTitle; }

    // A modal prompt with one text field and an empty default; Cancel answers the empty text.
    virtual QString inputBox(const QString &prompt, const QString &title) = 0;
    // The Save dialog with the given filter ("Text Files (*.txt);;All Files (*)"); the chosen
    // path exactly as named, or the empty text when cancelled. It asks nothing about overwriting.
    virtual QString saveFileName(const QString &title, const QString &filter) = 0;
    // The Open dialog: an existing file's path, or the empty text when cancelled.
    virtual QString openFileName(const QString &title, const QString &filter) = 0;

protected:
    virtual BoxAnswer showMessageBox(const QString &text, BoxStyle style, const QString &title) = 0;

private:
    QString m_appTitle;
};
