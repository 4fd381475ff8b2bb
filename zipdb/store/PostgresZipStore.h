#pragma once

#include "ZipStore.h"

#include <memory>

struct pg_conn;

// The store an office shares: a PostgreSQL server reached through libpq. The first connection
// that finds no ZIP table creates it and loads the shipped rows from the pristine copy, once,
// however many machines start together; the places table beside it likewise, also where a server
// set up before places were kept has the ZIP table alone. Matching and order are the embedded store's, not the
// server's own collation rules. A server that cannot be reached or goes away fails the operation
// with libpq's message; the next operation connects again.
class PostgresZipStore : public ZipStore
{
public:
    // The server is a libpq connection string or URI; the pristine copy the shipped SQLite file.
    PostgresZipStore(QString server, QString pristineCopy);
    ~PostgresZipStore() override;

    // Marks the store open even when the server cannot be reached, so the next operation tries
    // again rather than failing as closed.
    void open() override;
    bool isOpen() const override;
    void close() override;
    std::unique_ptr<ZipCursor> search(const QString &text) override;
    bool exists(const QString &zip) override;
    bool add(const QString &zip, const QString &city, const QString &state) override;
    int remove(const QString &zip) override;
    // Runs on a connection of its own, whether or not the store is open.
    void reset() override;
    // The server holds the shipped rows and the office's edits only.
    QString importRefusal() const override;
    ImportPlan planImport(const ZipImport &import) override;
    ImportPlan applyImport(const ZipImport &import) override;
    std::optional<ZipPlace> place(const QString &zip) override;
    QHash<QString, ZipPlace> places() override;
    std::optional<ZipProfile> profile(const QString &zip) override;
    std::vector<ZipProfile> profiles() override;
    std::vector<CountyRow> rowsInCounty(const QString &fips) override;
    std::vector<CountyShare> countiesNamed(const QString &name, const QString &stateFips) override;
    std::vector<ProvenanceEntry> provenance() override;

protected:
    std::unique_ptr<ZipCursor> candidatesIn(const GeoBox &box) override;

private:
    struct Finisher {
        void operator()(pg_conn *connection) const;
    };
    using Connection = std::unique_ptr<pg_conn, Finisher>;

    Connection connectChecked() const;
    template <class Work>
    auto withServer(Work &&work);

    QString m_server;
    QString m_pristineCopy;
    bool m_open = false;
    Connection m_connection;
};
