#pragma once

#include <QTreeView>

class QMenu;

// The results list: a report view whose first column carries the tick boxes. Space ticks or
// unticks every selected row at once, following the current row's tick. Its context menu opens
// on a right click, the Menu key and Shift+F10; from the keyboard it opens at the current row.
class ResultsView : public QTreeView
{
    Q_OBJECT

public:
    explicit ResultsView(QWidget *parent = nullptr);

    // The menu stays its owner's and must outlive the view (a child of it does); none shows no menu.
    void setContextMenu(QMenu *menu) { m_contextMenu = menu; }

    // A new list (a search, "ZIPs Near…") starts at its first row, wherever the old one was
    // scrolled to.
    void reset() override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void popUpMenu(const QPoint &globalPos);
    QPoint currentRowCorner() const;

    QMenu *m_contextMenu = nullptr;
};
