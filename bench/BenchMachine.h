#pragma once

// The machine a data benchmark runs on: a test machine whose working copy is in place, and one
// connection to it that stays open for the whole run.
#include "TestMachine.h"
#include "WorkingCopy.h"
#include "ZipConnection.h"

#include <QDir>

inline TestMachine &provisionedMachine()
{
    static TestMachine instance;
    static const bool provisioned = [] {
        QDir().mkpath(instance.dataFolder());
        provisionWorkingCopy(instance.pristineCopy(), instance.workingCopy());
        return true;
    }();
    Q_UNUSED(provisioned);
    return instance;
}

// Reopened when a benchmark closed it.
inline ZipConnection &workingCopyConnection()
{
    static ZipConnection open;
    if (!open.isOpen())
        open.open(provisionedMachine().workingCopy());
    return open;
}
