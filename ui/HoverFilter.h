#pragma once

#include "WindowPointer.h"

#include <QHash>
#include <QObject>

#include <initializer_list>

class QWidget;

// The window's mouse-move routines in one place: a move over a widget of the table sets the
// window's pointer to that widget's value, unless a command has it busy. Widgets not in the
// table (the search box, the progress bar) leave the pointer as it was. The filter turns on
// mouse tracking, so moves count with no button pressed.
class HoverFilter : public QObject
{
    Q_OBJECT

public:
    struct Entry {
        QWidget *widget;
        WindowPointer::Value value;
    };

    HoverFilter(WindowPointer &pointer, std::initializer_list<Entry> table, QObject *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    WindowPointer &m_pointer;
    QHash<const QObject *, WindowPointer::Value> m_values;
};
