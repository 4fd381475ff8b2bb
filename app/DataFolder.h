#pragma once

#include <QString>

class Platform;

// Folder number of the machine-wide application-data folder.
inline constexpr int CSIDL_COMMON_APPDATA = 35;

// The path of a special folder, or the empty text when the platform has none.
QString SpecialFolderPath(Platform &platform, int folder);

// True when the file system can tell when the path was last modified; never fails.
bool FileExists(const QString &path);

// Whether anything at all, folder or file, exists at the path.
bool EntryExists(const QString &path);

// Creates one folder; throws with the file system's reason when it cannot.
void CreateFolder(const QString &path);

// The program's fixed paths, rebuilt from the platform on every call: nothing is cached.
namespace paths {
QString vendorFolder(Platform &platform);
QString dataFolder(Platform &platform);
QString workingCopy(Platform &platform);
QString pristineCopy(Platform &platform);
QString cursorFile(Platform &platform);
QString skinFile(Platform &platform);
} // namespace paths
