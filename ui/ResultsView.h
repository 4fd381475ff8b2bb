#pragma once

#include <QTreeView>

// The results list: a report view whose first column carries the tick boxes. Space ticks or
// unticks every selected row at once, following the current row's tick.
class ResultsView : public QTreeView
{
    Q_OBJECT

public:
    explicit ResultsView(QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
