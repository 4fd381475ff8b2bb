#pragma once

#include <QString>

#include <chrono>

// A folder of the user's own for files handed to other programs: made when missing, this user's,
// mode 0700, and not a symbolic link. Returns the path; throws with the reason when the folder
// cannot be made so.
QString preparePrivateFolder(const QString &path);

// Removes the files in the folder that were last changed longer ago than `age`. What cannot be
// removed stays; a missing folder is no failure.
void removeFilesOlderThan(const QString &folder, std::chrono::seconds age);
