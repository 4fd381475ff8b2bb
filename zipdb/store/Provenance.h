#pragma once

#include <QString>
#include <QStringList>

#include <vector>

class QByteArray;
class ZipConnection;
class ZipQuery;

// Where the rows came from, kept in the table Provenance beside ZipCodes: one entry per shipped
// source, written by the data build, and one per import, written with the import's changes.
struct ProvenanceEntry {
    QString source;
    QString version;
    // The date the source states for its data (an import: the file's), as an ISO date; empty
    // when it states none.
    QString dataDate;
    QString licence;
    qint64 rows = 0;
    // The day of an import as an ISO date; empty for a shipped source.
    QString importedOn;
    qint64 added = 0;
    qint64 removed = 0;
    qint64 renamed = 0;
    qint64 kept = 0;

    bool isImport() const { return !importedOn.isEmpty(); }
};

// Binds the values of provenanceValues() to ?1, ?2, ...
extern const char *const kInsertProvenanceSql;
extern const char *const kSelectProvenanceSql;
// One row, 1 when the database has the table.
extern const char *const kHasProvenanceSql;

QStringList provenanceValues(const ProvenanceEntry &entry);
// The entries a query of kSelectProvenanceSql reads, in the order they were written.
std::vector<ProvenanceEntry> readProvenance(ZipQuery &&query);
// The working copy's entries; none when it was made before the table existed.
std::vector<ProvenanceEntry> provenanceOf(const ZipConnection &connection);

// The shipped sources as the data build lists them: a CSV with the header
// Source,Version,DataDate,Licence,Rows. Throws std::runtime_error naming the line and the reason.
std::vector<ProvenanceEntry> readSourceList(const QByteArray &csv);
QByteArray sourceListCsv(const std::vector<ProvenanceEntry> &sources);

// One line a person reads: "GeoNames postal codes 1.1.3, data of 2026-03-11, CC BY 4.0: 41488 rows",
// or for an import its day, file, file date and counts.
QString describeProvenance(const ProvenanceEntry &entry);

// What the About box and --version list: the shipped copy's sources, then the working copy's
// imports.
QStringList describeData(const std::vector<ProvenanceEntry> &shipped, const std::vector<ProvenanceEntry> &working);
