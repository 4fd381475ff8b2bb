#include "ZipPlace.h"

#include "CsvRecords.h"
#include "JsonText.h"
#include "PlainText.h"

#include <QByteArray>
#include <QLocale>
#include <QSet>
#include <QStringList>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>
#include <string>

namespace {

[[noreturn]] void refuse(const QString &reason)
{
    throw std::runtime_error(reason.toStdString());
}

// Digits with at most one decimal point and an optional sign: what the sources write. Exponents,
// "nan" and "inf", which a number parser would take, are no coordinates a person types.
bool isPlainDecimal(QStringView text)
{
    qsizetype at = text.startsWith(u'-') || text.startsWith(u'+') ? 1 : 0;
    qsizetype digits = 0;
    bool point = false;
    for (; at < text.size(); ++at) {
        if (text[at] >= u'0' && text[at] <= u'9')
            ++digits;
        else if (text[at] == u'.' && !point)
            point = true;
        else
            return false;
    }
    return digits > 0;
}

// A plain decimal's value, read as the C library reads it: QStringView::toDouble() costs more than
// the rest of a GeoNames line together.
std::optional<double> plainDecimalValue(QStringView text)
{
    if (!isPlainDecimal(text))
        return std::nullopt;
    if (text.startsWith(u'+'))
        text = text.mid(1);
    std::string digits(size_t(text.size()), '0');
    std::transform(text.begin(), text.end(), digits.begin(), [](QChar c) { return char(c.unicode()); });
    double value = 0;
    if (std::from_chars(digits.data(), digits.data() + digits.size(), value).ec != std::errc())
        return std::nullopt;
    return value;
}

double coordinate(QStringView zip, QStringView text, const char *name, double limit)
{
    const std::optional<double> degrees = plainDecimalValue(text);
    if (!degrees || *degrees < -limit || *degrees > limit)
        refuse(QStringLiteral("bad %1 \"%2\" for %3: a %1 is a number from %4 to %5")
                   .arg(QLatin1String(name), shownText(text), zip, QString::number(-limit), QString::number(limit)));
    return *degrees;
}

} // namespace

ZipPlace placeFromText(QStringView zip, QStringView county, QStringView latitude, QStringView longitude)
{
    county = county.trimmed();
    if (const QString refusal = plainTextRefusal(county, QLatin1StringView("county"), zip); !refusal.isEmpty())
        refuse(refusal);
    ZipPlace place{zip.toString(), county.toString(), std::nullopt};
    latitude = latitude.trimmed();
    longitude = longitude.trimmed();
    if (latitude.isEmpty() != longitude.isEmpty())
        refuse(QStringLiteral("a %1 without a %2 for %3")
                   .arg(QLatin1String(latitude.isEmpty() ? "longitude" : "latitude"),
                        QLatin1String(latitude.isEmpty() ? "latitude" : "longitude"), zip));
    if (!latitude.isEmpty())
        place.position = GeoPoint{coordinate(zip, latitude, "latitude", 90), coordinate(zip, longitude, "longitude", 180)};
    return place;
}

QString coordinateText(double degrees)
{
    return shortestDecimalText(degrees, 6);
}

QString shortestDecimalText(double number, int decimals)
{
    // When the number is the double nearest to a decimal of that many places, that decimal
    // without its trailing zeros is its shortest text: no shorter one lies as near.
    const double scale = std::pow(10.0, decimals);
    const double scaled = std::round(number * scale);
    if (!(std::abs(scaled) < 1e15) || scaled / scale != number || (scaled == 0 && std::signbit(number)))
        return QLocale::c().toString(number, 'f', QLocale::FloatingPointShortest);
    char digits[32];
    int at = sizeof digits;
    auto units = qint64(std::abs(scaled));
    // From the right: the decimals, the point, then the whole part.
    for (int place = 0; place < decimals; ++place, units /= 10)
        digits[--at] = char('0' + units % 10);
    if (decimals > 0)
        digits[--at] = '.';
    do
        digits[--at] = char('0' + units % 10);
    while (units /= 10);
    if (scaled < 0)
        digits[--at] = '-';
    int end = sizeof digits;
    if (decimals > 0) {
        while (digits[end - 1] == '0')
            --end;
        if (digits[end - 1] == '.')
            --end;
    }
    return QString::fromLatin1(digits + at, end - at);
}

void appendJsonPlace(QString &json, const ZipPlace &place)
{
    json += u'[';
    appendJsonString(json, place.zip);
    json += u',';
    appendJsonString(json, place.county);
    json += place.position ? u',' + coordinateText(place.position->latitude) + u',' + coordinateText(place.position->longitude)
                           : QStringLiteral(",null,null");
    json += QStringLiteral("],");
}

QByteArray zipPlacesCsv(const std::vector<ZipPlace> &places)
{
    QString csv = QStringLiteral("ZipCode,County,Latitude,Longitude\n");
    for (const ZipPlace &place : places) {
        csv += csvField(place.zip) + QLatin1Char(',') + csvField(place.county) + QLatin1Char(',');
        if (place.position)
            csv += coordinateText(place.position->latitude) + QLatin1Char(',') + coordinateText(place.position->longitude);
        else
            csv += QLatin1Char(',');
        csv += QLatin1Char('\n');
    }
    return csv.toUtf8();
}

std::vector<ZipPlace> readZipPlacesCsv(const QByteArray &csv, const QString &name)
{
    const QString text = QString::fromUtf8(csv);
    CsvRecords records(text);
    std::vector<ZipPlace> places;
    QSet<QString> zips;
    QStringList fields;
    try {
        if (!records.next(fields)
            || fields.join(QLatin1Char(',')).compare(u"ZipCode,County,Latitude,Longitude", Qt::CaseInsensitive) != 0)
            refuse(QStringLiteral("a first line other than ZipCode,County,Latitude,Longitude"));
        while (records.next(fields)) {
            if (fields.size() != 4)
                refuse(QStringLiteral("%1 fields where the header has 4").arg(fields.size()));
            const QString zip = fields[0].trimmed();
            if (zip.size() != 5 || !std::all_of(zip.begin(), zip.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
                refuse(QStringLiteral("bad ZIP \"%1\": a ZIP is five digits").arg(zip));
            if (zips.contains(zip))
                refuse(QStringLiteral("a second line for %1").arg(zip));
            zips.insert(zip);
            places.push_back(placeFromText(zip, fields[1], fields[2], fields[3]));
        }
    } catch (const std::runtime_error &bad) {
        throw std::runtime_error(
            QStringLiteral("%1, line %2: %3")
                .arg(name, QString::number(std::max(records.line(), 1)), QString::fromUtf8(bad.what()))
                .toStdString());
    }
    return places;
}

void sortNearestFirst(std::vector<NearbyRow> &rows, const QString &centreZip)
{
    // The centre lies 0 miles from itself, so only ties in the miles need to look for it.
    std::ranges::sort(rows, [&](const NearbyRow &a, const NearbyRow &b) {
        if (a.miles != b.miles)
            return a.miles < b.miles;
        const bool aCentre = a.row.zip == centreZip;
        if (aCentre != (b.row.zip == centreZip))
            return aCentre;
        return a.row < b.row;
    });
}
