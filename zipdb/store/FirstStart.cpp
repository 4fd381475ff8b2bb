#include "FirstStart.h"

#include "DataFolder.h"
#include "StoreLocations.h"
#include "WorkingCopy.h"
#include "ZipSession.h"
#include "ZipStore.h"

bool lacksWorkingCopy(const StoreLocations &locations)
{
    return !fileExists(locations.workingCopy);
}

void copyPristineToWorkingCopy(const StoreLocations &locations)
{
    provisionWorkingCopy(locations.pristineCopy, locations.workingCopy);
}

void prepareFirstStart(const StoreLocations &locations)
{
    for (const QString &folder : {locations.vendorFolder, locations.dataFolder})
        if (!entryExists(folder))
            createFolder(folder);
    if (lacksWorkingCopy(locations))
        copyPristineToWorkingCopy(locations);
}

void openStoreAsTheWindowDoes(const StoreLocations &locations, ZipSession &session)
{
    session.create(locations);
    if (locations.server.isEmpty())
        prepareFirstStart(locations);
    session.store().open();
}
