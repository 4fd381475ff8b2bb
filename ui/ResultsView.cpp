#include "ResultsView.h"

#include "ResultsModel.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>

ResultsView::ResultsView(QWidget *parent) : QTreeView(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setStretchLastSection(false);
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
}

void ResultsView::reset()
{
    QTreeView::reset();
    scrollToTop();
}

void ResultsView::keyPressEvent(QKeyEvent *event)
{
    // Some platforms turn the Menu key into a context menu event of their own; the menu is
    // then open already.
    if (event->key() == Qt::Key_Menu
        || (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
        popUpMenu(currentRowCorner());
        event->accept();
        return;
    }
    auto *results = qobject_cast<ResultsModel *>(model());
    if (event->key() != Qt::Key_Space || event->modifiers() != Qt::NoModifier || !results) {
        QTreeView::keyPressEvent(event);
        return;
    }
    QList<int> rows;
    for (const QModelIndex &index : selectionModel()->selectedRows())
        rows.append(index.row());
    const QModelIndex current = currentIndex();
    if (rows.isEmpty() && current.isValid())
        rows.append(current.row());
    if (!rows.isEmpty()) {
        const int leader = current.isValid() ? current.row() : rows.first();
        results->setTicked(rows, !results->ticked(leader));
    }
    event->accept();
}

void ResultsView::contextMenuEvent(QContextMenuEvent *event)
{
    popUpMenu(event->reason() == QContextMenuEvent::Mouse ? event->globalPos() : currentRowCorner());
    event->accept();
}

void ResultsView::popUpMenu(const QPoint &globalPos)
{
    if (m_contextMenu && !m_contextMenu->isVisible())
        m_contextMenu->popup(globalPos);
}

QPoint ResultsView::currentRowCorner() const
{
    const QModelIndex current = currentIndex();
    return viewport()->mapToGlobal(current.isValid() ? visualRect(current).bottomLeft() : QPoint());
}
