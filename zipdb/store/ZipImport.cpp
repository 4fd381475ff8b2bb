#include "ZipImport.h"

#include "BatchedRows.h"
#include "JsonText.h"
#include "Provenance.h"
#include "ShippedCopy.h"
#include "ZipConnection.h"
#include "ZipQuery.h"
#include "ZipRows.h"
#include "ZipSchema.h"
#include "ZipStatement.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <array>

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

// Each changed ZIP's rows become the file's: a row of the working copy takes a row of the file in
// place, by its rowid, so that a ZIP renamed costs no work on the ZIP index; the rows left over on
// either side are deleted or inserted.
void writeChanges(ZipConnection &working, const ImportPlan &plan, const PackedRows &fileRows)
{
    BatchedRows update(working, QStringLiteral("update ZipCodes set City = v.column3, State = v.column4 from (values "),
                       QStringLiteral(") as v where ZipCodes.rowid = v.column1 and ZipCodes.ZipCode = v.column2"), true);
    BatchedRows insert(working, QStringLiteral("insert into ZipCodes (ZipCode, City, State) values "), {}, false);
    ZipStatement remove = working.prepare(QStringLiteral("delete from ZipCodes where rowid = ?1"));
    for (const ZipChange &change : plan.changes) {
        if (change.outcome == ZipOutcome::Kept)
            continue;
        const qsizetype inPlace = std::min(change.current.count, change.imported.count);
        for (qsizetype i = 0; i < inPlace; ++i)
            update.add(fileRows, change.imported.first + i, plan.current.id(change.current.first + i));
        for (qsizetype i = inPlace; i < change.current.count; ++i) {
            remove.bind(1, plan.current.id(change.current.first + i));
            remove.run();
        }
        for (qsizetype i = inPlace; i < change.imported.count; ++i)
            insert.add(fileRows, change.imported.first + i);
    }
    update.flush();
    insert.flush();
}

constexpr int kZipNumbers = 100'000;

// The number of a ZIP of five digits, or -1.
int zipNumber(std::string_view zip)
{
    int number = 0;
    for (const char digit : zip) {
        if (digit < '0' || digit > '9')
            return -1;
        number = number * 10 + (digit - '0');
    }
    return zip.size() == 5 ? number : -1;
}

int zipNumber(const QString &zip)
{
    std::array<char, 5> digits{};
    if (zip.size() != qsizetype(digits.size()))
        return -1;
    std::transform(zip.begin(), zip.end(), digits.begin(), [](QChar c) { return c.unicode() < 128 ? char(c.unicode()) : 'x'; });
    return zipNumber(std::string_view(digits.data(), digits.size()));
}

// The file's places of the ZIPs it adds or renames, by the ZIP's number (a file's ZIPs have five
// digits); null for the other numbers.
std::vector<const ZipPlace *> placesOfChangedZips(const ImportPlan &plan, const ZipDataFile &file)
{
    std::vector<bool> changed(kZipNumbers);
    for (const ZipChange &change : plan.changes)
        if (const int number = zipNumber(change.zip);
            number >= 0 && (change.outcome == ZipOutcome::Added || change.outcome == ZipOutcome::Renamed))
            changed[size_t(number)] = true;
    std::vector<const ZipPlace *> places(kZipNumbers);
    for (const ZipPlace &place : file.places)
        if (const int number = zipNumber(place.zip); number >= 0 && changed[size_t(number)])
            places[size_t(number)] = &place;
    return places;
}

// Leaves out the places the working copy holds as they are already: a ZIP renamed seldom moves,
// and reading every place costs less than looking each one up.
void leaveOutPlacesAlreadyThere(const ZipConnection &working, std::vector<const ZipPlace *> &places)
{
    for (ZipStatement held = working.prepare(QString::fromUtf8(zipschema::kSelectZipPlacesSql)); held.next();) {
        const int number = zipNumber(held.text(0));
        const ZipPlace *place = number < 0 ? nullptr : places[size_t(number)];
        if (!place)
            continue;
        const std::optional<GeoPoint> position = held.isNull(2) || held.isNull(3)
            ? std::nullopt
            : std::optional(GeoPoint{held.number(2), held.number(3)});
        if (position == place->position && textOf(held.text(1)) == place->county)
            places[size_t(number)] = nullptr;
    }
}

// The places of the ZIPs the file adds or renames, where it gives them; a ZIP it removes keeps its
// place, which nothing shows without rows and a later file that brings the ZIP back replaces.
void writePlaces(ZipConnection &working, const ImportPlan &plan, const ZipDataFile &file)
{
    if (file.places.empty())
        return;
    std::vector<const ZipPlace *> places = placesOfChangedZips(plan, file);
    leaveOutPlacesAlreadyThere(working, places);
    ZipStatement upsert = working.prepare(QString::fromUtf8(zipschema::kUpsertZipPlaceSql));
    for (const ZipPlace *place : places) {
        if (!place)
            continue;
        const QByteArray zip = place->zip.toUtf8();
        const QByteArray county = place->county.toUtf8();
        const std::optional<GeoPoint> &at = place->position;
        upsert.bind(1, std::string_view(zip.constData(), size_t(zip.size())));
        upsert.bind(2, std::string_view(county.constData(), size_t(county.size())));
        upsert.bind(3, at ? std::optional(at->latitude) : std::nullopt);
        upsert.bind(4, at ? std::optional(at->longitude) : std::nullopt);
        upsert.run();
    }
}

// The file's rows become the base of the ZIPs it spoke for; a ZIP it removed is recorded as one
// row without city and state.
void writeRecord(ZipConnection &working, const ImportPlan &plan, const PackedRows &fileRows)
{
    working.execute(zipschema::importedRows().sqliteCreate);
    if (plan.record.empty())
        return;
    QString zips(u'[');
    PackedRows removed;
    for (const RecordChange &change : plan.record) {
        appendJsonString(zips, change.zip);
        zips += u',';
        if (change.imported && change.imported->empty())
            removed.append(change.zip, {}, {});
    }
    closeJsonArray(zips);
    working.execute(QStringLiteral("delete from ImportedRows where ZipCode in (select value from json_each(?1))"), {zips});
    BatchedRows insert(working, QStringLiteral("insert into ImportedRows (ZipCode, City, State) values "), {}, false);
    for (const RecordChange &change : plan.record) {
        if (!change.imported)
            continue;
        for (qsizetype i = change.imported->first; i < change.imported->end(); ++i)
            insert.add(fileRows, i);
    }
    for (qsizetype i = 0; i < removed.size(); ++i)
        insert.add(removed, i);
    insert.flush();
}

void writeProvenance(ZipConnection &working, const ImportPlan &done, const ZipDataFile &file)
{
    ProvenanceEntry entry;
    entry.source = QDir::toNativeSeparators(QFileInfo(file.name).absoluteFilePath());
    entry.dataDate = file.modified.toString(Qt::ISODate);
    entry.rows = qint64(file.rows.size());
    entry.importedOn = QDate::currentDate().toString(Qt::ISODate);
    entry.added = done.count(ZipOutcome::Added);
    entry.removed = done.count(ZipOutcome::Removed);
    entry.renamed = done.count(ZipOutcome::Renamed);
    entry.kept = done.count(ZipOutcome::Kept);
    working.execute(zipschema::provenance().sqliteCreate);
    working.execute(QString::fromUtf8(kInsertProvenanceSql), provenanceValues(entry));
}

bool hasImportRecord(const ZipConnection &working)
{
    return working
               .query(QStringLiteral("select count(*) from sqlite_schema where type = 'table' and name = ?1 collate nocase"),
                      {zipschema::importedRows().name})
               .text(0)
        != u"0";
}

} // namespace

ZipImport::ZipImport(ZipDataFile file, const QString &pristine)
    : m_file(std::move(file)), m_shipped(ShippedCopy(pristine).packedRows())
{
    m_file.rows.sortUnique();
}

PackedRows readImportRecord(const ZipConnection &working)
{
    if (!hasImportRecord(working))
        return {};
    const QString &table = zipschema::importedRows().name;
    PackedRows record = readPackedRows(working.prepare(packedCountSql(table)), working.prepare(packedRowsSql(table)),
                                       PackedRows::Ids::Dropped);
    record.sortUnique();
    return record;
}

ImportPlan ZipImport::plan(const ZipConnection &working) const
{
    const QString &table = zipschema::zipCodes().name;
    PackedRows current = readPackedRows(working.prepare(packedCountSql(table)), working.prepare(packedRowsSql(table)),
                                        PackedRows::Ids::Kept);
    current.sort();
    return planImport(m_shipped, readImportRecord(working), std::move(current), m_file);
}

ImportPlan ZipImport::apply(ZipConnection &working) const
{
    WriteTransaction transaction(working);
    ImportPlan done = plan(working);
    requireConfirmedRemovals(done);
    writeChanges(working, done, m_file.rows);
    writePlaces(working, done, m_file);
    writeRecord(working, done, m_file.rows);
    writeProvenance(working, done, m_file);
    transaction.commit();
    return done;
}

QString ZipImport::summary(const ImportPlan &plan) const
{
    return importSummary(m_file, plan);
}

QString ZipImport::massRemovals(const ImportPlan &plan) const
{
    return massRemovalText(m_file, plan);
}

void ZipImport::requireConfirmedRemovals(const ImportPlan &plan) const
{
    if (!plan.massRemovals.empty() && !m_massRemovalConfirmed)
        throw MassRemovalRefusal((massRemovals(plan) + QStringLiteral(" Nothing was imported.")).toStdString());
}
