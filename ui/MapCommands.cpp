#include "MapCommands.h"

#include "FormRoutine.h"
#include "MapWindow.h"
#include "Platform.h"
#include "ResultsModel.h"
#include "WindowPointer.h"
#include "ZipPlace.h"
#include "ZipProfile.h"
#include "ZipSession.h"
#include "ZipStore.h"

#include <QAbstractItemView>
#include <QDir>

void MapCommands::showMap()
{
    if (m_pointer.isBusy())
        return;
    Routine r = formRoutine(m_platform, QStringLiteral("mnuShowOnMap_Click"));
    if (!m_mapWindow && !r.step(100, [&] { m_mapWindow = makeMapWindow(); }))
        return;
    r.step(102, [&] {
        m_mapWindow->show();
        m_mapWindow->raise();
        m_mapWindow->activateWindow();
    });
}

MapWindow *MapCommands::makeMapWindow()
{
    auto *window = new MapWindow(
        m_platform, m_results, *m_list.selectionModel(),
        [this] { return positionsOf(m_zipSession.store().places()); },
        QDir(m_platform.programFolder()).filePath(QStringLiteral("states.outline")), &m_window);
    window->setPopulationLookup([this] { return populationsOf(m_zipSession.store().profiles()); });
    QObject::connect(window, &MapWindow::rowChosen, window,
                     [this](int row) { m_list.scrollTo(m_results.index(row, 0)); });
    return window;
}
