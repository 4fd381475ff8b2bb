#include "FirstStart.h"

#include "DataFolder.h"
#include "WorkingCopy.h"

bool lacksWorkingCopy(Platform &platform)
{
    return !fileExists(paths::workingCopy(platform));
}

void copyPristineToWorkingCopy(Platform &platform)
{
    provisionWorkingCopy(paths::pristineCopy(platform), paths::workingCopy(platform));
}

void prepareFirstStart(Platform &platform)
{
    for (const QString &folder : {paths::vendorFolder(platform), paths::dataFolder(platform)})
        if (!entryExists(folder))
            createFolder(folder);
    if (lacksWorkingCopy(platform))
        copyPristineToWorkingCopy(platform);
}
