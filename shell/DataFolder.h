#pragma once

#include <QString>

class Platform;
struct StoreLocations;

// The special folders the program asks for: only the machine-wide application-data folder.
enum class SpecialFolder { CommonAppData };

// The path of a special folder, or the empty text when the platform has none.
QString specialFolderPath(Platform &platform, SpecialFolder folder);

// True when the file system can tell when the path was last modified; never fails.
bool fileExists(const QString &path);

// Whether anything at all, folder or file, exists at the path.
bool entryExists(const QString &path);

// Creates one folder, shared as shareWithFolderGroup() says; throws with the file system's reason
// when it cannot.
void createFolder(const QString &path);

// A folder with the set-group-ID bit is shared with its group (the machine-wide data folder is
// made so for the program's group): there the entry gets read and write access for that group,
// and a folder search access too. An entry of another group is left alone, as is anything in a
// folder without the bit. Never makes anything writable by others; never follows a symbolic link.
// Throws with the file system's reason when the mode cannot be changed.
void shareWithFolderGroup(const QString &path);
// The same for an entry of `folder` that is open already.
void shareWithFolderGroup(int entry, const QString &folder);

// The program's fixed paths, rebuilt from the platform on every call: nothing is cached.
namespace paths {
// The store's locations below the machine-wide application-data folder, as a platform reports
// it, and the program folder.
StoreLocations storeLocations(const QString &commonAppData, const QString &programFolder, const QString &server);
// The same from the platform, its server setting included: throws the setting's refusal.
StoreLocations storeLocations(Platform &platform);

QString vendorFolder(Platform &platform);
QString dataFolder(Platform &platform);
QString workingCopy(Platform &platform);
QString pristineCopy(Platform &platform);
QString cursorFile(Platform &platform);
QString skinFile(Platform &platform);
QString documentationPage(Platform &platform);
} // namespace paths
