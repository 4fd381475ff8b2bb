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
#include <array>
#include <span>

namespace {

constexpr int kExamples = 10;

using Rows = std::span<const ZipRow>;

// Calls visit(zip, groups) for every ZIP of any of the sorted lists, in ZIP order, with each
// list's rows of that ZIP.
template <size_t N, class Visit>
void forEachZip(const std::array<const std::vector<ZipRow> *, N> &lists, Visit &&visit)
{
    std::array<size_t, N> at{};
    for (;;) {
        const QString *next = nullptr;
        for (size_t i = 0; i < N; ++i)
            if (at[i] < lists[i]->size() && (!next || (*lists[i])[at[i]].zip < *next))
                next = &(*lists[i])[at[i]].zip;
        if (!next)
            return;
        const QString zip = *next;
        std::array<Rows, N> groups;
        for (size_t i = 0; i < N; ++i) {
            size_t end = at[i];
            while (end < lists[i]->size() && (*lists[i])[end].zip == zip)
                ++end;
            groups[i] = Rows(lists[i]->data() + at[i], end - at[i]);
            at[i] = end;
        }
        visit(zip, groups);
    }
}

bool same(Rows some, Rows others)
{
    return std::ranges::equal(some, others);
}

bool namesStateOf(Rows rows, const QSet<QString> &states)
{
    return std::ranges::any_of(rows, [&](const ZipRow &row) { return states.contains(row.state); });
}

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

QString namesOf(Rows rows)
{
    if (rows.empty())
        return QStringLiteral("none");
    QStringList names;
    for (const ZipRow &row : rows)
        names.append(row.city + QStringLiteral(", ") + row.state);
    return names.join(QStringLiteral(" / "));
}

QString example(const ZipChange &change)
{
    switch (change.outcome) {
    case ZipOutcome::Added:
        return change.zip + QLatin1Char(' ') + namesOf(change.imported);
    case ZipOutcome::Removed:
        return change.zip + QLatin1Char(' ') + namesOf(change.current);
    case ZipOutcome::Renamed:
        return change.zip + QLatin1Char(' ') + namesOf(change.current) + QStringLiteral(" -> ")
            + namesOf(change.imported);
    case ZipOutcome::Kept:
        break;
    }
    return change.zip + QStringLiteral(" (yours: ") + namesOf(change.current) + QStringLiteral("; the file's: ")
        + namesOf(change.imported) + QLatin1Char(')');
}

} // namespace

qsizetype ImportPlan::count(ZipOutcome outcome) const
{
    return std::ranges::count(changes, outcome, &ZipChange::outcome);
}

ImportPlan planImport(const std::vector<ZipRow> &shipped, const ImportRecord &record,
                      const std::vector<ZipRow> &current, const ZipDataFile &file)
{
    const bool completeForItsStates = file.format == ZipDataFile::Format::GeoNamesDump;
    ImportPlan plan;
    forEachZip<4>({&shipped, &record.rows, &current, &file.rows}, [&](const QString &zip, const std::array<Rows, 4> &groups) {
        const auto &[shippedRows, recorded, yours, imported] = groups;
        const bool hasRecord = record.zips.contains(zip);
        const Rows base = hasRecord ? recorded : shippedRows;
        const bool speaks = !imported.empty()
            || (completeForItsStates && (namesStateOf(base, file.states) || namesStateOf(yours, file.states)));
        if (!speaks)
            return;
        // Where the person's rows are the file's, or the person's own are kept, the file's rows
        // still become the base: the next file's changes are measured against them.
        const bool shippedAgain = same(imported, shippedRows);
        if (shippedAgain ? hasRecord : !hasRecord || !same(recorded, imported))
            plan.record.push_back({zip, shippedAgain ? std::nullopt
                                                     : std::optional(std::vector<ZipRow>(imported.begin(), imported.end()))});
        if (same(yours, imported))
            return;
        ZipOutcome outcome = ZipOutcome::Renamed;
        if (!same(yours, base))
            outcome = ZipOutcome::Kept;
        else if (yours.empty())
            outcome = ZipOutcome::Added;
        else if (imported.empty())
            outcome = ZipOutcome::Removed;
        plan.changes.push_back(
            {outcome, zip, {yours.begin(), yours.end()}, {imported.begin(), imported.end()}});
    });
    return plan;
}

ShippedDifferences differencesFromShipped(const std::vector<ZipRow> &shipped, const std::vector<ZipRow> &current)
{
    ShippedDifferences differences;
    forEachZip<2>({&shipped, &current}, [&](const QString &, const std::array<Rows, 2> &groups) {
        const auto &[base, yours] = groups;
        if (base.empty())
            ++differences.added;
        else if (yours.empty())
            ++differences.deleted;
        else if (!same(base, yours))
            ++differences.changed;
    });
    return differences;
}
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
    const QString kind = m_file.format == ZipDataFile::Format::GeoNamesDump
        ? QStringLiteral("A GeoNames postal-code dump of %1 rows for %2 states and territories: a ZIP of those that "
                         "it lacks goes; the ZIPs of other states stay as they are.")
              .arg(m_file.rows.size())
              .arg(m_file.states.size())
        : QStringLiteral("A CSV of %1 rows: only the ZIPs it lists change.").arg(m_file.rows.size());
    QStringList lines{QStringLiteral("Import %1?").arg(m_file.name), kind, QString(),
                      QStringLiteral("%1 added, %2 removed, %3 renamed, %4 kept as you changed them.")
                          .arg(plan.count(ZipOutcome::Added))
                          .arg(plan.count(ZipOutcome::Removed))
                          .arg(plan.count(ZipOutcome::Renamed))
                          .arg(plan.count(ZipOutcome::Kept))};
    const std::pair<ZipOutcome, QString> headings[] = {{ZipOutcome::Added, QStringLiteral("Added")},
                                                       {ZipOutcome::Removed, QStringLiteral("Removed")},
                                                       {ZipOutcome::Renamed, QStringLiteral("Renamed")},
                                                       {ZipOutcome::Kept, QStringLiteral("Kept as you changed them")}};
    for (const auto &[outcome, heading] : headings) {
        QStringList examples;
        for (const ZipChange &change : plan.changes)
            if (change.outcome == outcome && examples.size() < kExamples)
                examples.append(example(change));
        if (examples.isEmpty())
            continue;
        const qsizetype more = plan.count(outcome) - examples.size();
        if (more > 0)
            examples.append(QStringLiteral("and %1 more").arg(more));
        lines << QString() << heading + QStringLiteral(": ") + examples.join(QStringLiteral("; "));
    }
    lines << QString()
          << QStringLiteral("What you added, deleted or changed yourself stays as it is. \"Reset Database To "
                            "Original\" still brings back the shipped data, without this import.");
    return lines.join(u'\n');
}
