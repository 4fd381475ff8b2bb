#include "ZipImport.h"

#include "JsonText.h"
#include "Provenance.h"
#include "ShippedCopy.h"
#include "ZipConnection.h"
#include "ZipQuery.h"
#include "ZipRows.h"
#include "ZipSchema.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

// A write transaction that is rolled back unless committed; it takes the write lock at once,
// so the rows it reads stay the rows it changes.
class WriteTransaction
{
public:
    explicit WriteTransaction(ZipConnection &connection) : m_connection(connection)
    {
        m_connection.execute(QStringLiteral("begin immediate"));
    }
    ~WriteTransaction()
    {
        if (m_open) {
            try {
                m_connection.execute(QStringLiteral("rollback"));
            } catch (const std::exception &) {
                // SQLite has rolled it back already when the failure ended the transaction.
            }
        }
    }
    WriteTransaction(const WriteTransaction &) = delete;
    WriteTransaction &operator=(const WriteTransaction &) = delete;
    void commit()
    {
        m_connection.execute(QStringLiteral("commit"));
        m_open = false;
    }

private:
    ZipConnection &m_connection;
    bool m_open = true;
};

void appendJsonRow(QString &json, const ZipRow &row)
{
    json += u'[';
    for (const QString *value : {&row.zip, &row.city, &row.state}) {
        appendJsonString(json, *value);
        json += u',';
    }
    json.back() = u']';
    json += u',';
}

// The places of the ZIPs the file adds or renames, where it gives them; a ZIP it removes keeps its
// place, which nothing shows without rows and a later file that brings the ZIP back replaces.
void writePlaces(ZipConnection &working, const ImportPlan &plan, const ZipDataFile &file)
{
    if (file.places.empty())
        return;
    QSet<QString> addedOrRenamed;
    for (const ZipChange &change : plan.changes)
        if (change.outcome == ZipOutcome::Added || change.outcome == ZipOutcome::Renamed)
            addedOrRenamed.insert(change.zip);
    QString places(u'[');
    for (const ZipPlace &place : file.places)
        if (addedOrRenamed.contains(place.zip))
            appendJsonPlace(places, place);
    closeJsonArray(places);
    working.execute(QString::fromUtf8(zipschema::kInsertZipPlacesFromJsonSql), {places});
}

// The file's rows become the base of the ZIPs it spoke for; a ZIP it removed is recorded as one
// row without city and state.
void writeRecord(ZipConnection &working, const ImportPlan &plan)
{
    working.execute(zipschema::importedRows().sqliteCreate);
    if (plan.record.empty())
        return;
    QString zips(u'[');
    QString rows(u'[');
    for (const RecordChange &change : plan.record) {
        appendJsonString(zips, change.zip);
        zips += u',';
        if (!change.rows)
            continue;
        for (const ZipRow &row : *change.rows)
            appendJsonRow(rows, row);
        if (change.rows->empty())
            appendJsonRow(rows, ZipRow{change.zip, {}, {}});
    }
    closeJsonArray(zips);
    closeJsonArray(rows);
    working.execute(QStringLiteral("delete from ImportedRows where ZipCode in (select value from json_each(?1))"), {zips});
    working.execute(QStringLiteral("insert into ImportedRows (ZipCode, City, State) select value ->> 0,"
                                   " nullif(value ->> 1, ''), nullif(value ->> 2, '') from json_each(?1)"),
                    {rows});
}

// The rows go to SQLite as one JSON text each, so thousands of rows cost two statements.
void writeChanges(ZipConnection &working, const ImportPlan &plan)
{
    QString zips(u'[');
    QString rows(u'[');
    for (const ZipChange &change : plan.changes) {
        if (change.outcome == ZipOutcome::Kept)
            continue;
        appendJsonString(zips, change.zip);
        zips += u',';
        for (const ZipRow &row : change.imported)
            appendJsonRow(rows, row);
    }
    closeJsonArray(zips);
    closeJsonArray(rows);
    working.execute(QStringLiteral("delete from ZipCodes where ZipCode in (select value from json_each(?1))"), {zips});
    working.execute(QStringLiteral("insert into ZipCodes (ZipCode, City, State) select json_extract(value, '$[0]'),"
                                   " json_extract(value, '$[1]'), json_extract(value, '$[2]') from json_each(?1)"),
                    {rows});
}

} // namespace

ZipImport::ZipImport(ZipDataFile file, const QString &pristine)
    : m_file(std::move(file)), m_shipped(ShippedCopy(pristine).rows())
{
    sortUnique(m_file.rows);
}

ImportRecord readImportRecord(const ZipConnection &working)
{
    ImportRecord record;
    const zipschema::Table &table = zipschema::importedRows();
    if (working.query(QStringLiteral("select count(*) from sqlite_schema where type = 'table' and name = ?1 collate nocase"),
                      {table.name})
            .text(0)
        == u"0")
        return record;
    for (ZipQuery row = working.query(table.selectList()); !row.atEnd(); row.moveNext()) {
        record.zips.insert(row.text(ZipCodeColumn));
        if (!row.isNull(CityColumn))
            record.rows.push_back({row.text(ZipCodeColumn), row.text(CityColumn), row.text(StateColumn)});
    }
    sortUnique(record.rows);
    return record;
}

ImportPlan ZipImport::plan(const ZipConnection &working) const
{
    return planImport(m_shipped, readImportRecord(working), readZipRows(working.query(zipschema::zipCodes().selectList())),
                      m_file);
}

ImportPlan ZipImport::apply(ZipConnection &working) const
{
    WriteTransaction transaction(working);
    ImportPlan done = plan(working);
    writeChanges(working, done);
    writePlaces(working, done, m_file);
    writeRecord(working, done);
    ProvenanceEntry entry;
    entry.source = QDir::toNativeSeparators(QFileInfo(m_file.name).absoluteFilePath());
    entry.dataDate = m_file.modified.toString(Qt::ISODate);
    entry.rows = qint64(m_file.rows.size());
    entry.importedOn = QDate::currentDate().toString(Qt::ISODate);
    entry.added = done.count(ZipOutcome::Added);
    entry.removed = done.count(ZipOutcome::Removed);
    entry.renamed = done.count(ZipOutcome::Renamed);
    entry.kept = done.count(ZipOutcome::Kept);
    working.execute(zipschema::provenance().sqliteCreate);
    working.execute(QString::fromUtf8(kInsertProvenanceSql), provenanceValues(entry));
    transaction.commit();
    return done;
}

QString ZipImport::summary(const ImportPlan &plan) const
{
    return importSummary(m_file, plan);
}
