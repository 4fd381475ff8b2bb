#pragma once

#include <QCursor>
#include <QHash>

#include <optional>

class QWidget;

// The main window's pointer: one value for the window and all its controls, and the one busy
// flag that commands share. Busy shows the wait cursor and Hover the hand over the whole
// window, its controls included; Default gives every control its own pointer back. Other
// windows (message boxes, dialogs) keep theirs.
class WindowPointer
{
public:
    enum Value { Default, Busy, Hover };

    explicit WindowPointer(QWidget &window) : m_window(window) {}

    Value value() const { return m_value; }
    bool isBusy() const { return m_value == Busy; }
    void set(Value value);
    // The hand from the cursor file; without it Hover shows the standard arrow.
    void setHoverCursor(const QCursor &cursor) { m_hoverCursor = cursor; }

private:
    void rememberOwnCursors();
    void showEverywhere(const QCursor &cursor);
    void restoreOwnCursors();

    QWidget &m_window;
    Value m_value = Default;
    std::optional<QCursor> m_hoverCursor;
    // The pointers the controls set for themselves (the I-beam of a text box), kept while the
    // window's value covers them.
    QHash<const QWidget *, QCursor> m_ownCursors;
};
