#include "Provenance.h"

#include "CsvRecords.h"
#include "ZipConnection.h"
#include "ZipQuery.h"

#include <QByteArray>

#include <stdexcept>

const char *const kInsertProvenanceSql = "insert into Provenance values (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)";
const char *const kSelectProvenanceSql = "select Source, Version, DataDate, Licence, Rows, ImportedOn, Added, Removed,"
                                         " Renamed, Kept from Provenance order by rowid";
const char *const kHasProvenanceSql =
    "select count(*) from sqlite_schema where type = 'table' and name = 'Provenance'";

namespace {

const QStringList kSourceListHeader{QStringLiteral("Source"), QStringLiteral("Version"), QStringLiteral("DataDate"),
                                    QStringLiteral("Licence"), QStringLiteral("Rows")};

} // namespace

QStringList provenanceValues(const ProvenanceEntry &entry)
{
    return {entry.source,
            entry.version,
            entry.dataDate,
            entry.licence,
            QString::number(entry.rows),
            entry.importedOn,
            QString::number(entry.added),
            QString::number(entry.removed),
            QString::number(entry.renamed),
            QString::number(entry.kept)};
}

std::vector<ProvenanceEntry> readProvenance(ZipQuery &&query)
{
    std::vector<ProvenanceEntry> entries;
    for (; !query.atEnd(); query.moveNext())
        entries.push_back({query.text(0), query.text(1), query.text(2), query.text(3), query.text(4).toLongLong(),
                           query.text(5), query.text(6).toLongLong(), query.text(7).toLongLong(),
                           query.text(8).toLongLong(), query.text(9).toLongLong()});
    return entries;
}

std::vector<ProvenanceEntry> provenanceOf(const ZipConnection &connection)
{
    if (connection.query(QString::fromUtf8(kHasProvenanceSql)).text(0) == u"0")
        return {};
    return readProvenance(connection.query(QString::fromUtf8(kSelectProvenanceSql)));
}

std::vector<ProvenanceEntry> readSourceList(const QByteArray &csv)
{
    const QString text = QString::fromUtf8(csv);
    CsvRecords records(text);
    QStringList fields;
    if (!records.next(fields) || fields != kSourceListHeader)
        throw std::runtime_error("line 1: the header is not " + kSourceListHeader.join(u',').toStdString());
    std::vector<ProvenanceEntry> sources;
    while (records.next(fields)) {
        bool counted = false;
        const qint64 rows = fields.size() == kSourceListHeader.size() ? fields[4].toLongLong(&counted) : 0;
        if (!counted)
            throw std::runtime_error("line " + std::to_string(records.line()) + ": not a source with its row count");
        ProvenanceEntry source;
        source.source = fields[0];
        source.version = fields[1];
        source.dataDate = fields[2];
        source.licence = fields[3];
        source.rows = rows;
        sources.push_back(source);
    }
    return sources;
}

QByteArray sourceListCsv(const std::vector<ProvenanceEntry> &sources)
{
    QString text = kSourceListHeader.join(u',') + QLatin1Char('\n');
    for (const ProvenanceEntry &source : sources)
        text += QStringList{csvField(source.source), csvField(source.version), csvField(source.dataDate),
                            csvField(source.licence), QString::number(source.rows)}
                    .join(u',')
            + QLatin1Char('\n');
    return text.toUtf8();
}

QString describeProvenance(const ProvenanceEntry &entry)
{
    if (!entry.isImport()) {
        const QString date = entry.dataDate.isEmpty() ? QStringLiteral("no data date stated")
                                                      : QStringLiteral("data of ") + entry.dataDate;
        const QString named = entry.version.isEmpty() ? entry.source : entry.source + QLatin1Char(' ') + entry.version;
        const QString licence = entry.licence.isEmpty() ? QString() : QStringLiteral(", ") + entry.licence;
        return QStringLiteral("%1, %2%3: %4 rows").arg(named, date, licence).arg(entry.rows);
    }
    const QString fileDate = entry.dataDate.isEmpty() ? QString() : QStringLiteral("file of %1, ").arg(entry.dataDate);
    return QStringLiteral("%1 imported %2 (%3%4 rows): %5 added, %6 removed, %7 renamed, %8 kept")
        .arg(entry.importedOn, entry.source, fileDate)
        .arg(entry.rows)
        .arg(entry.added)
        .arg(entry.removed)
        .arg(entry.renamed)
        .arg(entry.kept);
}

QStringList describeData(const std::vector<ProvenanceEntry> &shipped, const std::vector<ProvenanceEntry> &working)
{
    QStringList lines{QStringLiteral("Shipped data:")};
    for (const ProvenanceEntry &source : shipped)
        lines.append(describeProvenance(source));
    for (const ProvenanceEntry &entry : working) {
        if (!entry.isImport())
            continue;
        if (!lines.contains(QStringLiteral("Imports:")))
            lines.append(QStringLiteral("Imports:"));
        lines.append(describeProvenance(entry));
    }
    return lines;
}
