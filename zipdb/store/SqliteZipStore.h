#pragma once

#include "StoreLocations.h"
#include "ZipConnection.h"
#include "ZipStore.h"

// The embedded store: the working copy in the data folder, shared by the users of one machine,
// where the locations it was made with put it.
class SqliteZipStore : public ZipStore
{
public:
    explicit SqliteZipStore(StoreLocations locations);

    void open() override;
    bool isOpen() const override;
    void close() override;
    std::unique_ptr<ZipCursor> search(const QString &text) override;
    bool exists(const QString &zip) override;
    bool add(const QString &zip, const QString &city, const QString &state) override;
    int remove(const QString &zip) override;
    void reset() override;
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
    StoreLocations m_locations;
    ZipConnection m_connection;
};
