#include "HoverFilter.h"

#include <QMouseEvent>
#include <QWidget>

HoverFilter::HoverFilter(WindowPointer &pointer, std::initializer_list<Entry> table, QObject *parent)
    : QObject(parent), m_pointer(pointer)
{
    for (const Entry &entry : table) {
        m_values.insert(entry.widget, entry.value);
        entry.widget->setMouseTracking(true);
        entry.widget->installEventFilter(this);
    }
}

bool HoverFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::MouseMove)
        return false;
    const auto value = m_values.constFind(watched);
    if (value == m_values.cend())
        return false;
    // A move that a child left unhandled travels on to its parent; only the widget that is
    // itself under the mouse answers it, so a frame never undoes the hover of its buttons.
    const auto *widget = static_cast<QWidget *>(watched);
    if (widget->childAt(static_cast<QMouseEvent *>(event)->position().toPoint()))
        return false;
    if (!m_pointer.isBusy())
        m_pointer.set(*value);
    return false;
}
