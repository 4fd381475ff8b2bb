#pragma once

#include <QObject>

#include <functional>

class QMimeData;
class QWidget;

// Lets one local file be dropped on a widget, its children that take no drops of their own
// included, and hands its path on once the drop is over, so the drag's source is not kept
// waiting while a box asks about the file.
class FileDropFilter : public QObject
{
    Q_OBJECT

public:
    FileDropFilter(QWidget *target, std::function<void(const QString &)> dropped);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::function<void(const QString &)> m_dropped;
};
