#include "Startup.h"

#include "AppInfo.h"
#include "CursorFile.h"
#include "DataFolder.h"
#include "FirstStart.h"
#include "FormRoutine.h"
#include "Platform.h"
#include "ProgramIcon.h"
#include "ResultsModel.h"
#include "SkinLoader.h"
#include "StartupSteps.h"
#include "StoreLocations.h"
#include "Twips.h"
#include "WindowLayout.h"
#include "WindowPointer.h"
#include "ZipSession.h"
#include "ZipStore.h"

#include <QTreeView>

#include <stdexcept>

void Startup::load()
{
    Routine r = formRoutine(m_platform, QStringLiteral("Form_Load"));
    if (r.test(100, [&] { return !entryExists(paths::vendorFolder(m_platform)); }))
        r.step(102, [&] { createFolder(paths::vendorFolder(m_platform)); });
    if (r.test(104, [&] { return !entryExists(paths::dataFolder(m_platform)); }))
        r.step(106, [&] { createFolder(paths::dataFolder(m_platform)); });
    if (r.test(108, [&] { return !keepsRowsOnServer() && lacksWorkingCopy(paths::storeLocations(m_platform)); }))
        r.step(110, [&] { copyPristineToWorkingCopy(paths::storeLocations(m_platform)); });
    r.step(112, [&] { applySkin(); });
    r.step(116, [&] { m_window.setWindowTitle(appinfo::kDisplayName); });
    r.step(116, [&] { m_window.setWindowIcon(programIcon()); });
    r.step(116, [&] { setAppTitle(m_platform, appinfo::kDisplayName); });
    if (r.test(118, [&] { return fileExists(paths::cursorFile(m_platform)); }))
        r.step(120, [&] { m_pointer.setHoverCursor(loadCursorFile(paths::cursorFile(m_platform))); });
    r.step(122, [&] { visitHomePageOccasionally(m_platform); });
    r.step(140, [&] { m_zipSession.create(paths::storeLocations(m_platform)); });
    r.step(142, [&] { m_zipSession.store().open(); });
    r.step(144, [&] { m_results.addColumn(QLatin1String(layout::kZipColumn.caption)); });
    r.step(146, [&] { m_results.addColumn(QLatin1String(layout::kCityColumn.caption)); });
    r.step(148, [&] { m_results.addColumn(QLatin1String(layout::kStateColumn.caption)); });
    r.step(150, [&] { m_list.setColumnWidth(0, pixelsFromTwips(layout::kZipColumn.widthTwips)); });
    r.step(152, [&] { m_list.setColumnWidth(1, pixelsFromTwips(layout::kCityColumn.widthTwips)); });
    r.step(154, [&] { m_list.setColumnWidth(2, pixelsFromTwips(layout::kStateColumn.widthTwips)); });
}

bool Startup::keepsRowsOnServer()
{
    // A refused setting writes nothing either: step 140 reports it, and the administrator may
    // have meant a server.
    try {
        return !m_platform.serverSetting().isEmpty();
    } catch (const std::exception &) {
        return true;
    }
}

void Startup::applySkin()
{
    applySkinFile(paths::skinFile(m_platform), m_window);
}
