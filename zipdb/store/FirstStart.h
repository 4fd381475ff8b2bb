#pragma once

class ZipSession;
struct StoreLocations;

// The first start on a machine: the vendor folder, the data folder in it, and the working copy
// copied from the pristine one. The window's start-up runs each piece as a step of its own, each
// failure in its own box; prepareFirstStart() runs them in the same order for a start without the
// window, throwing the first failure.

bool lacksWorkingCopy(const StoreLocations &locations);
// Throws, as provisionWorkingCopy() does, leaving no half copy.
void copyPristineToWorkingCopy(const StoreLocations &locations);

void prepareFirstStart(const StoreLocations &locations);

// The store the window would use, opened with the first start's pieces run as the window's
// start-up runs them: for the command line. Throws the first failure.
void openStoreAsTheWindowDoes(const StoreLocations &locations, ZipSession &session);
