#include "DatabaseCommands.h"

#include "CommandContext.h"
#include "DataFolder.h"
#include "Platform.h"
#include "WindowPointer.h"
#include "WorkingCopy.h"
#include "ZipConnection.h"
#include "ZipSession.h"

void DatabaseCommands::resetDatabase()
{
    if (m.pointer.isBusy())
        return;
    Routine r = m.routine(QStringLiteral("PushButton2_Click"));
    int answer = Platform::No;
    r.step(100, [&] {
        answer = m.platform.messageBox(QStringLiteral("Are you sure you want to reset the database?"),
                                       Platform::YesNo, QStringLiteral("Reset Database"));
    });
    if (answer != Platform::Yes)
        return;
    if (r.test(102, [&] { return m.zip.connection().state() != ZipConnection::Closed; }))
        r.step(102, [&] { m.zip.connection().close(); });
    r.step(104, [&] { m.platform.yield(); });
    r.step(106, [&] { m.platform.yield(); });
    r.step(108, [&] { copyDatabaseFile(paths::pristineCopy(m.platform), paths::workingCopy(m.platform)); });
    r.step(110, [&] { m.zip.connection().open(ZipConnection::connectionString(paths::dataFolder(m.platform))); });
}

void DatabaseCommands::closeConnection()
{
    Routine r = m.routine(QStringLiteral("Form_QueryUnload"));
    if (r.test(100, [&] { return m.zip.connection().state() != ZipConnection::Closed; }))
        r.step(100, [&] { m.zip.connection().close(); });
    r.step(102, [&] { m.zip.release(); });
    r.step(104, [&] { m.platform.yield(); });
    r.step(106, [&] { m.platform.yield(); });
}
