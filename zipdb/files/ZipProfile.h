#pragma once

#include "ZipRow.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>
#include <vector>

class QByteArray;

// One county a ZIP spans: its five-digit FIPS code (empty where the source gives none), its name
// as the source spells it, and its share of the ZIP's residents in percent, none for a ZIP
// without residents' area.
struct CountyShare {
    QString fips;
    QString name;
    std::optional<double> share;

    bool operator==(const CountyShare &) const = default;
};

// What a ZIP is beyond its rows and its place: the counties it spans, largest share first, its
// time zone, its residents and what kind of ZIP it is.
struct ZipProfile {
    enum class Kind { Area, PostOffice, Military };

    QString zip;
    Kind kind = Kind::PostOffice;
    // An IANA name ("America/New_York"); empty for a military ZIP.
    QString timeZone;
    // None where the source has no figure; density in residents per square kilometre.
    std::optional<qint64> population;
    std::optional<double> density;
    std::vector<CountyShare> counties;

    bool operator==(const ZipProfile &) const = default;
};

// One row of the ZIP table whose ZIP has a share in a county, with that share (none for a ZIP
// without residents' area).
struct CountyRow {
    ZipRow row;
    std::optional<double> share;
};

// "area", "post office", "military": the texts of the data file and of the Kind column.
QString kindText(ZipProfile::Kind kind);
std::optional<ZipProfile::Kind> kindFromText(QStringView text);

// "Suffolk 99.6%; Middlesex 0.4%": the Counties column's text, largest first, a county without a
// share by its name alone.
QString countiesText(const std::vector<CountyShare> &counties);
// A share as the data file writes it: the shortest decimal text, "99.6", "100".
QString shareText(double share);

// The two-digit FIPS code of a state or territory by its postal abbreviation ("MA" is "25"), which
// begins the FIPS code of each of its counties; empty for another text.
QString stateFipsCode(QStringView state);

// The residents of a list of ZIPs, each ZIP counted once: the sum of the known figures, and how
// many ZIPs have none (a military ZIP, one added by hand, one the source gives no figure for).
struct Residents {
    qint64 counted = 0;
    int zipsWithoutFigure = 0;
};
// The ZIPs that have a figure, with it.
QHash<QString, qint64> populationsOf(const std::vector<ZipProfile> &profiles);
Residents residentsOf(const QStringList &zips, const QHash<QString, qint64> &populations);
// "Population 52,345; 2 ZIPs without a figure", in the locale's digits.
QString residentsText(const Residents &residents);

// Reads data/zipprofiles.csv: the header ZipCode,Kind,TimeZone,Population,Density,Counties, one
// RFC 4180 line a ZIP, Counties as FIPS:Name:Share joined by '|'. Throws std::runtime_error naming
// the file, the line and the reason; a ZIP on two lines is refused.
std::vector<ZipProfile> readZipProfilesCsv(const QByteArray &csv, const QString &name);
