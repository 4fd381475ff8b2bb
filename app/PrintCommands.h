#pragma once

#include "ExitStatus.h"

class QString;
class StandardStream;
struct StoreLocations;

// The commands that print: --search, --near and --county as tab-separated UTF-8 rows under a
// header line, each row with its ZIP's place and profile (Done when rows were printed,
// NothingDone when none matched), --distance and --version.
// Bad input and failures throw, with the reason a person reads.

ExitStatus printSearch(const StoreLocations &locations, const QString &text, StandardStream &out);
// Around a ZIP or a point ("40.75,-73.99"). Throws for a distance outside the miles range, an
// unknown ZIP, a ZIP without coordinates and a point that is none.
ExitStatus printNear(const StoreLocations &locations, const QString &zipOrPoint, const QString &miles,
                     StandardStream &out);
// The miles between two ZIPs, two decimals. Throws for an unknown ZIP and one without coordinates.
ExitStatus printDistance(const StoreLocations &locations, const QString &from, const QString &to, StandardStream &out);
// The rows of the ZIPs with a share in the county ("Suffolk, MA" or "25025"), largest share
// first, with a last column Share. Throws for an unknown state or county and for a name that two
// counties of the state share.
ExitStatus printCounty(const StoreLocations &locations, const QString &county, StandardStream &out);
ExitStatus printVersion(const StoreLocations &locations, StandardStream &out);
