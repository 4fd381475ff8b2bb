#pragma once

#include "ZipDatabaseFile.h"

#include <QString>
#include <QStringList>

class ZipQuery;
class ZipStatement;

// The one connection to the working copy of the zip database, a SQLite file. Failures throw std::runtime_error
// carrying SQLite's own description, or naming what is wrong with the shared folder's files.
class ZipConnection
{
public:
    ZipConnection();
    ~ZipConnection();
    ZipConnection(const ZipConnection &) = delete;
    ZipConnection &operator=(const ZipConnection &) = delete;

    // The old program's ADO connection string for the working copy in the data folder, as its
    // documentation gives it. The connection itself is opened from the file's path.
    static QString connectionString(const QString &dataFolder);

    // Opens the file as openDatabaseFile() does. A missing file, a link, one that is no
    // whole zip database (checkZipDatabase()), one with a damaged page and one on a network file
    // system fail.
    void open(const QString &databaseFile);
    bool isOpen() const;
    // Fails when the connection is not open.
    void close();

    // Runs a statement with its values bound to ?1, ?2, ...; returns the count of rows it changed.
    // A write that meets another instance's lock waits for it a few seconds before it fails; any
    // statement that runs longer than that is stopped.
    int execute(const QString &sql, const QStringList &values = {});
    // Opens a read-only, front-to-back cursor over the rows of a query.
    ZipQuery query(const QString &sql, const QStringList &values = {}) const;
    // Prepares a statement to run for many rows; it must not outlive the connection.
    ZipStatement prepare(const QString &sql) const;
    // The longest LIKE pattern, in bytes, that the engine evaluates.
    int likePatternLimit() const;

private:
    sqlite3 *openHandle() const;
    // Runs the work; when it fails because of an odd entry beside the file, which SQLite reports
    // only as "unable to open database file", the failure names the entry.
    template <class Work>
    auto explained(Work &&work) const;

    SqliteHandle m_db;
};
