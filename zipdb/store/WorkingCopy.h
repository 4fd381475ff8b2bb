#pragma once

#include <QString>

class ZipConnection;

// The working copy's file: putting the pristine copy in place on the first start, and the reset.
// Every user and every running instance of the program share one working copy, so nothing here
// replaces a file that another instance may hold open while it is a readable database, and a
// rollback journal that does not belong to the file in place is never applied to it. Each checks
// the pristine copy whole (checkZipDatabase()) before it writes anything, writes nothing through
// a link, and throws with the reason when it fails, leaving the working copy as it was and no
// file of its own behind. Neither writes in a folder on a network file system.

// Puts a copy of the pristine database at the working copy's path. A journal left beside the
// path by a crash is removed first; a working copy that another instance put there meanwhile is
// kept.
void provisionWorkingCopy(const QString &pristine, const QString &working);

// Gives the working copy the pristine rows. Links and other odd entries at the working copy's
// name and its journals' names are removed first (removeStrayEntries()). While it opens as a
// database, the pristine pages are written into it through SQLite's backup API under its write
// lock: a hot journal is rolled back first, and every instance that has it open reads the
// pristine rows next. Only a working copy that is missing, no database at all or crafted so that
// no backup can write it is replaced as a file, after the journals beside it are removed.
void resetWorkingCopy(const QString &pristine, const QString &working);

// Brings a working copy made before places were kept (version 1.0: the ZIP rows and their
// provenance alone), or before profiles were, up to date: the places table filled from the
// pristine copy, its index, and the empty record of imports, then the profiles and counties
// tables likewise, whichever it lacks, all in one transaction in the file itself, so every row stays, the
// file keeps its owner, group and mode for the other members, and a kill leaves the old file or
// the upgraded one, which the next open finishes or finds done. A working copy that has its places
// and profiles is left as it is.
void upgradeWorkingCopy(ZipConnection &working, const QString &pristine);

// Copies a database file over another in one step: the copy is written beside the target and
// renamed into place, so a copy cut short never leaves a half-written target and a copy that
// fails leaves the old one whole. Copies that an earlier run left behind when it was killed are
// removed first.
void copyDatabaseFile(const QString &source, const QString &target);
