#pragma once

#include <QString>
#include <QStringList>

#include <memory>

struct sqlite3;
class ZipQuery;

// The one connection to the working copy of the zip database. Opened from an ADO-style
// connection string whose data source names the SQLite file. Failures throw std::runtime_error
// carrying SQLite's own description.
class ZipConnection
{
public:
    // How long a write waits for another instance's lock on the shared working copy.
    static constexpr int kBusyTimeoutMs = 5000;

    enum State { Closed = 0, Open = 1 };

    ZipConnection();
    ~ZipConnection();
    ZipConnection(const ZipConnection &) = delete;
    ZipConnection &operator=(const ZipConnection &) = delete;

    static QString connectionString(const QString &dataFolder);
    static QString dataSource(const QString &connectionString);

    // Opens the data source; a missing file, one that holds no zip table, one with a damaged page
    // and one on a network file system fail.
    void open(const QString &connectionString);
    int state() const;
    // Fails when the connection is not open.
    void close();

    // Runs a statement with its values bound to ?1, ?2, ...; returns the count of rows it changed.
    // A write that meets another instance's lock waits for it a few seconds before it fails.
    int execute(const QString &sql, const QStringList &values = {});
    // Opens a read-only, front-to-back cursor over the rows of a query.
    ZipQuery query(const QString &sql, const QStringList &values = {}) const;
    // The longest LIKE pattern, in bytes, that the engine evaluates.
    int likePatternLimit() const;

private:
    sqlite3 *openHandle() const;

    struct Closer {
        void operator()(sqlite3 *db) const;
    };
    std::unique_ptr<sqlite3, Closer> m_db;
};
