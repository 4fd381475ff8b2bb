#pragma once

#include <QString>

// What the store needs to know of the machine: where its files lie, and whether the office's
// server holds the rows instead. The window takes it from its Platform, the command line from the
// process itself (paths::storeLocations builds it for both).
struct StoreLocations
{
    QString vendorFolder;
    QString dataFolder;
    QString workingCopy;
    QString pristineCopy;
    // The office's server as the setting names it (a libpq connection text); empty for the
    // embedded working copy.
    QString server;
};
