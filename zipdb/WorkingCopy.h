#pragma once

#include <QString>

// Copies a database file over another in one step: the copy is written beside the target and
// renamed into place, so a copy cut short never leaves a half-written working copy and a copy
// that fails leaves the old one whole. Throws with the reason when it fails.
void copyDatabaseFile(const QString &source, const QString &target);
