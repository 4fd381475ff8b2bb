#include "ZipProfile.h"

#include "CsvRecords.h"
#include "ZipPlace.h"

#include <QByteArray>
#include <QHash>
#include <QLocale>
#include <QSet>
#include <QStringList>
#include <QTimeZone>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

[[noreturn]] void refuse(const QString &reason)
{
    throw std::runtime_error(reason.toStdString());
}

bool isDigits(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// A figure that is digits with at most one decimal point: no sign, exponent or "nan".
std::optional<double> plainFigure(QStringView text)
{
    const qsizetype point = text.indexOf(u'.');
    if (!isDigits(text.left(point)) || (point >= 0 && !isDigits(text.mid(point + 1))))
        return std::nullopt;
    return text.toDouble();
}

// "25025:Suffolk:99.6": a county with its FIPS code and share.
CountyShare countyFromText(QStringView zip, QStringView text)
{
    const QList<QStringView> parts = text.split(u':');
    if (parts.size() != 3 || (!parts[0].isEmpty() && (parts[0].size() != 5 || !isDigits(parts[0])))
        || parts[1].trimmed().isEmpty())
        refuse(QStringLiteral("bad county \"%1\" for %2: a county is FIPS:Name:Share").arg(text, zip));
    CountyShare county{parts[0].toString(), parts[1].trimmed().toString(), std::nullopt};
    if (!parts[2].isEmpty()) {
        county.share = plainFigure(parts[2]);
        if (!county.share || *county.share > 100)
            refuse(QStringLiteral("bad share \"%1\" for %2: a share is a percentage").arg(parts[2], zip));
    }
    return county;
}

// The zones found so far spare asking the system's time zone data once a line.
ZipProfile profileFromFields(const QStringList &fields, QSet<QString> &knownZones)
{
    const QString &zip = fields[0];
    ZipProfile profile;
    profile.zip = zip;
    const std::optional<ZipProfile::Kind> kind = kindFromText(fields[1]);
    if (!kind)
        refuse(QStringLiteral("bad kind \"%1\" for %2: area, post office or military").arg(fields[1], zip));
    profile.kind = *kind;
    profile.timeZone = fields[2];
    if (!profile.timeZone.isEmpty() && !knownZones.contains(profile.timeZone)) {
        if (!QTimeZone::isTimeZoneIdAvailable(profile.timeZone.toUtf8()))
            refuse(QStringLiteral("unknown time zone \"%1\" for %2").arg(profile.timeZone, zip));
        knownZones.insert(profile.timeZone);
    }
    if (!fields[3].isEmpty()) {
        if (!isDigits(fields[3]))
            refuse(QStringLiteral("bad population \"%1\" for %2").arg(fields[3], zip));
        profile.population = fields[3].toLongLong();
    }
    if (!fields[4].isEmpty() && !(profile.density = plainFigure(fields[4])))
        refuse(QStringLiteral("bad density \"%1\" for %2").arg(fields[4], zip));
    if (!fields[5].isEmpty())
        for (QStringView county : QStringView(fields[5]).split(u'|'))
            profile.counties.push_back(countyFromText(zip, county));
    return profile;
}

} // namespace

QString kindText(ZipProfile::Kind kind)
{
    switch (kind) {
    case ZipProfile::Kind::Area: return QStringLiteral("area");
    case ZipProfile::Kind::Military: return QStringLiteral("military");
    case ZipProfile::Kind::PostOffice: break;
    }
    return QStringLiteral("post office");
}

std::optional<ZipProfile::Kind> kindFromText(QStringView text)
{
    for (const ZipProfile::Kind kind : {ZipProfile::Kind::Area, ZipProfile::Kind::PostOffice, ZipProfile::Kind::Military})
        if (text == kindText(kind))
            return kind;
    return std::nullopt;
}

QString shareText(double share)
{
    return shortestDecimalText(share, 2);
}

QString countiesText(const std::vector<CountyShare> &counties)
{
    QString text;
    text.reserve(24 * qsizetype(counties.size()));
    for (const CountyShare &county : counties) {
        if (!text.isEmpty())
            text += QStringLiteral("; ");
        text += county.name;
        if (county.share)
            text += u' ' + shareText(*county.share) + u'%';
    }
    return text;
}

QString stateFipsCode(QStringView state)
{
    // The Census Bureau's codes; the military "states" AA, AE and AP have none.
    static const QHash<QString, QString> codes = [] {
        QHash<QString, QString> byState;
        const char *const pairs[] = {
            "AL01", "AK02", "AZ04", "AR05", "CA06", "CO08", "CT09", "DE10", "DC11", "FL12", "GA13", "HI15", "ID16",
            "IL17", "IN18", "IA19", "KS20", "KY21", "LA22", "ME23", "MD24", "MA25", "MI26", "MN27", "MS28", "MO29",
            "MT30", "NE31", "NV32", "NH33", "NJ34", "NM35", "NY36", "NC37", "ND38", "OH39", "OK40", "OR41", "PA42",
            "RI44", "SC45", "SD46", "TN47", "TX48", "UT49", "VT50", "VA51", "WA53", "WV54", "WI55", "WY56", "AS60",
            "GU66", "MP69", "PR72", "VI78"};
        for (const char *pair : pairs)
            byState.insert(QString::fromLatin1(pair, 2), QString::fromLatin1(pair + 2, 2));
        return byState;
    }();
    return codes.value(state.trimmed().toString().toUpper());
}

QHash<QString, qint64> populationsOf(const std::vector<ZipProfile> &profiles)
{
    QHash<QString, qint64> populations;
    populations.reserve(qsizetype(profiles.size()));
    for (const ZipProfile &profile : profiles)
        if (profile.population)
            populations.insert(profile.zip, *profile.population);
    return populations;
}

Residents residentsOf(const QStringList &zips, const QHash<QString, qint64> &populations)
{
    Residents residents;
    QSet<QString> counted;
    for (const QString &zip : zips) {
        if (counted.contains(zip))
            continue;
        counted.insert(zip);
        const auto found = populations.constFind(zip);
        if (found == populations.cend())
            ++residents.zipsWithoutFigure;
        else
            residents.counted += *found;
    }
    return residents;
}

QString residentsText(const Residents &residents)
{
    QString text = QStringLiteral("Population %1").arg(QLocale().toString(residents.counted));
    if (residents.zipsWithoutFigure > 0)
        text += (residents.zipsWithoutFigure == 1 ? QStringLiteral("; %1 ZIP without a figure")
                                                  : QStringLiteral("; %1 ZIPs without a figure"))
                    .arg(QLocale().toString(residents.zipsWithoutFigure));
    return text;
}

std::vector<ZipProfile> readZipProfilesCsv(const QByteArray &csv, const QString &name)
{
    const QString text = QString::fromUtf8(csv);
    CsvRecords records(text);
    std::vector<ZipProfile> profiles;
    QSet<QString> zips;
    QSet<QString> knownZones;
    QStringList fields;
    try {
        if (!records.next(fields)
            || fields.join(u',').compare(u"ZipCode,Kind,TimeZone,Population,Density,Counties", Qt::CaseInsensitive) != 0)
            refuse(QStringLiteral("a first line other than ZipCode,Kind,TimeZone,Population,Density,Counties"));
        while (records.next(fields)) {
            if (fields.size() != 6)
                refuse(QStringLiteral("%1 fields where the header has 6").arg(fields.size()));
            for (QString &field : fields)
                field = field.trimmed();
            if (fields[0].size() != 5 || !isDigits(fields[0]))
                refuse(QStringLiteral("bad ZIP \"%1\": a ZIP is five digits").arg(fields[0]));
            if (zips.contains(fields[0]))
                refuse(QStringLiteral("a second line for %1").arg(fields[0]));
            zips.insert(fields[0]);
            profiles.push_back(profileFromFields(fields, knownZones));
        }
    } catch (const std::runtime_error &bad) {
        throw std::runtime_error(
            QStringLiteral("%1, line %2: %3")
                .arg(name, QString::number(std::max(records.line(), 1)), QString::fromUtf8(bad.what()))
                .toStdString());
    }
    return profiles;
}
