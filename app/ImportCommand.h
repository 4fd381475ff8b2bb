#pragma once

#include "ExitStatus.h"

class QString;
class StandardStream;
struct StoreLocations;

// What the person chose on the command line beside the file.
struct ImportChoices {
    // --yes: import without asking.
    bool withoutAsking = false;
    // --allow-removals: import a file that removes more than half of a state's ZIPs, as a dump cut
    // short would; without it such a file is refused before anyone is asked.
    bool allowingRemovals = false;
};

// --import: reads the file, prints what would change, asks unless told not to, and imports in
// one transaction. Done when imported, NothingDone when the person says no; a refused file, a
// store that takes no import and every failure throw, with nothing imported.
ExitStatus importFile(const StoreLocations &locations, const QString &path, const ImportChoices &choices,
                      StandardStream &out);
