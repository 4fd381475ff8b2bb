#pragma once

#include "ExitStatus.h"

class QString;
class StandardStream;
struct StoreLocations;

// The commands that print: --search and --near as tab-separated UTF-8 rows under a header line
// (Done when rows were printed, NothingDone when none matched), and --version.
// Bad input and failures throw, with the reason a person reads.

ExitStatus printSearch(const StoreLocations &locations, const QString &text, StandardStream &out);
// Throws for a distance outside the miles range, an unknown ZIP and a ZIP without coordinates.
ExitStatus printNear(const StoreLocations &locations, const QString &zip, const QString &miles, StandardStream &out);
ExitStatus printVersion(const StoreLocations &locations, StandardStream &out);
