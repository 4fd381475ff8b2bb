#include "FileDropFilter.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>

namespace {

// The file a drag carries, or the empty text unless it is one local file.
QString droppedFile(const QMimeData *data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1 || !data->urls().constFirst().isLocalFile())
        return {};
    return data->urls().constFirst().toLocalFile();
}

} // namespace

FileDropFilter::FileDropFilter(QWidget *target, std::function<void(const QString &)> dropped)
    : QObject(target), m_dropped(std::move(dropped))
{
    target->setAcceptDrops(true);
    target->installEventFilter(this);
}

bool FileDropFilter::eventFilter(QObject *, QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (!droppedFile(drag->mimeData()).isEmpty())
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const QString path = droppedFile(drop->mimeData());
        if (path.isEmpty())
            return false;
        drop->acceptProposedAction();
        QTimer::singleShot(0, this, [this, path] { m_dropped(path); });
        return true;
    }
    default:
        return false;
    }
}
