#pragma once

#include <QString>

#include <memory>

struct sqlite3;

// A zip database file as the shared data folder holds it. Any member of the folder's group may
// rename, replace or change any entry in it, so every file there is opened without following a
// link, with SQLite's defensive settings, and checked before it is trusted.

// Closes a connection that openDatabaseFile() opened; one that a query still reads closes when
// that query is finalized (sqlite3_close_v2).
struct SqliteCloser {
    void operator()(sqlite3 *db) const;
};
using SqliteHandle = std::unique_ptr<sqlite3, SqliteCloser>;

// Opens a database file with SQLite's open flags. A file opened for writing is the shared
// folder's: it is never opened through a link, and an odd entry at its name or beside it is
// refused by name (refuseStrayEntries()). Nothing runs on behalf of a trigger or a view, nor of a
// WITH clause, which SQLite's authorizer cannot tell from a view: the program's statements use
// none. A write waits a few seconds for another instance's lock. Throws with the reason.
SqliteHandle openDatabaseFile(const QString &path, int flags);

// Throws, naming the file, unless the open database is whole and holds a ZipCodes table and
// nothing a zip database does not have: no trigger, no view, no other table, no table created
// otherwise than the schema creates it, no index on an expression, no unique index of its own.
void checkZipDatabase(sqlite3 *db);

// Throws when the file's name or one of its journals' names is taken by something the program
// never makes there: a symbolic link, anything but a regular file, or a file with a second name.
// A write through any of them could reach a file outside the folder.
void refuseStrayEntries(const QString &databaseFile);
// Removes those entries (the names only, never what they lead to); throws when one cannot go.
void removeStrayEntries(const QString &databaseFile);
