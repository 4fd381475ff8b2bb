#include "WindowPointer.h"

#include <QWidget>

namespace {

// The window and the controls on it; windows of their own (boxes, dialogs) are left alone.
QList<QWidget *> windowAndControls(QWidget &window)
{
    QList<QWidget *> widgets{&window};
    for (QWidget *child : window.findChildren<QWidget *>())
        if (!child->isWindow())
            widgets.append(child);
    return widgets;
}

} // namespace

void WindowPointer::set(Value value)
{
    if (value == m_value)
        return;
    if (m_value == Default)
        rememberOwnCursors();
    m_value = value;
    switch (value) {
    case Busy:
        showEverywhere(QCursor(Qt::WaitCursor));
        break;
    case Hover:
        showEverywhere(m_hoverCursor.value_or(QCursor(Qt::ArrowCursor)));
        break;
    case Default:
        restoreOwnCursors();
        break;
    }
}

void WindowPointer::rememberOwnCursors()
{
    m_ownCursors.clear();
    for (QWidget *widget : windowAndControls(m_window))
        if (widget->testAttribute(Qt::WA_SetCursor))
            m_ownCursors.insert(widget, widget->cursor());
}

void WindowPointer::showEverywhere(const QCursor &cursor)
{
    for (QWidget *widget : windowAndControls(m_window))
        widget->setCursor(cursor);
}

void WindowPointer::restoreOwnCursors()
{
    for (QWidget *widget : windowAndControls(m_window)) {
        const auto own = m_ownCursors.constFind(widget);
        if (own != m_ownCursors.cend())
            widget->setCursor(*own);
        else
            widget->unsetCursor();
    }
    m_ownCursors.clear();
}
