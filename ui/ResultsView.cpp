#include "ResultsView.h"

#include "ResultsModel.h"

#include <QHeaderView>
#include <QKeyEvent>

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

void ResultsView::keyPressEvent(QKeyEvent *event)
{
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
