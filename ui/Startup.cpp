#include "Startup.h"

#include "AppInfo.h"
#include "CommandContext.h"
#include "CursorFile.h"
#include "DataFolder.h"
#include "ProgramIcon.h"
#include "ResultsModel.h"
#include "ResultsView.h"
#include "SkinLoader.h"
#include "StartupSteps.h"
#include "Twips.h"
#include "WindowPointer.h"
#include "WorkingCopy.h"
#include "ZipConnection.h"
#include "ZipSession.h"

#include <QWidget>

void Startup::load()
{
    Routine r = m.routine(QStringLiteral("Form_Load"));
    if (r.test(100, [&] { return !entryExists(paths::vendorFolder(m.platform)); }))
        r.step(102, [&] { createFolder(paths::vendorFolder(m.platform)); });
    if (r.test(104, [&] { return !entryExists(paths::dataFolder(m.platform)); }))
        r.step(106, [&] { createFolder(paths::dataFolder(m.platform)); });
    if (r.test(108, [&] { return !fileExists(paths::workingCopy(m.platform)); }))
        r.step(110, [&] { provisionWorkingCopy(paths::pristineCopy(m.platform), paths::workingCopy(m.platform)); });
    r.step(112, [&] { applySkin(); });
    r.step(116, [&] { m.window.setWindowTitle(appinfo::kDisplayName); });
    r.step(116, [&] { m.window.setWindowIcon(programIcon()); });
    r.step(116, [&] { setAppTitle(m.platform, appinfo::kDisplayName); });
    if (r.test(118, [&] { return fileExists(paths::cursorFile(m.platform)); }))
        r.step(120, [&] { m.pointer.setHoverCursor(loadCursorFile(paths::cursorFile(m.platform))); });
    r.step(122, [&] { visitHomePageOccasionally(m.platform); });
    r.step(140, [&] { m.zip.create(); });
    r.step(142, [&] { m.zip.connection().open(ZipConnection::connectionString(paths::dataFolder(m.platform))); });
    r.step(144, [&] { m.results.addColumn(QStringLiteral("Zip")); });
    r.step(146, [&] { m.results.addColumn(QStringLiteral("City")); });
    r.step(148, [&] { m.results.addColumn(QStringLiteral("State")); });
    r.step(150, [&] { m.list.setColumnWidth(0, twips(1200)); });
    r.step(152, [&] { m.list.setColumnWidth(1, twips(4000)); });
    r.step(154, [&] { m.list.setColumnWidth(2, twips(2000)); });
}

void Startup::applySkin()
{
    applySkinFile(paths::skinFile(m.platform), m.window);
}
