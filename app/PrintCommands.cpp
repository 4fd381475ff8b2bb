#include "PrintCommands.h"

#include "AppInfo.h"
#include "FirstStart.h"
#include "GreatCircle.h"
#include "MilesRange.h"
#include "Provenance.h"
#include "ShippedCopy.h"
#include "StandardStream.h"
#include "StoreLocations.h"
#include "ZipCursor.h"
#include "ZipPlace.h"
#include "ZipProfile.h"
#include "ZipRow.h"
#include "ZipSession.h"
#include "ZipStore.h"

#include <algorithm>
#include <stdexcept>

namespace {

// A field of a tab-separated line: a tab or line break inside it would break the line's columns.
QString field(QString text)
{
    // Looked for before anything is written, so a clean text is not copied.
    const auto breaksLine = [](QChar c) { return c == u'\t' || c == u'\n' || c == u'\r'; };
    if (std::none_of(text.cbegin(), text.cend(), breaksLine))
        return text;
    std::replace_if(text.begin(), text.end(), breaksLine, u' ');
    return text;
}

const QLatin1String kPlaceHeader("ZIP\tCity\tState\tCounty\tLatitude\tLongitude\tTimeZone\tCounties\tPopulation\tKind");

// Every ZIP's place and profile, read once for a whole list of rows.
class ZipColumns
{
public:
    explicit ZipColumns(ZipStore &store) : m_places(store.places()), m_profiles(store.profiles()) {}

    // An empty place for a ZIP the person added.
    ZipPlace place(const QString &zip) const { return m_places.value(zip); }
    // None for a ZIP the person added. Rows asked for in ZIP order are found where the last
    // one was, without a search.
    const ZipProfile *profile(const QString &zip)
    {
        for (const size_t at : {m_next, m_next + 1}) {
            if (at < m_profiles.size() && m_profiles[at].zip == zip) {
                m_next = at;
                return &m_profiles[at];
            }
        }
        const auto found = std::ranges::lower_bound(m_profiles, zip, {}, &ZipProfile::zip);
        if (found == m_profiles.end() || found->zip != zip)
            return nullptr;
        m_next = size_t(found - m_profiles.begin());
        return &*found;
    }

private:
    QHash<QString, ZipPlace> m_places;
    std::vector<ZipProfile> m_profiles;
    size_t m_next = 0;
};

void printPlaceRow(StandardStream &out, const ZipRow &row, const ZipPlace &place, const ZipProfile *profile)
{
    out << field(row.zip) << '\t' << field(row.city) << '\t' << field(row.state) << '\t' << field(place.county) << '\t';
    if (place.position)
        out << coordinateText(place.position->latitude) << '\t' << coordinateText(place.position->longitude);
    else
        out << '\t';
    out << '\t';
    if (profile)
        out << field(profile->timeZone) << '\t' << field(countiesText(profile->counties)) << '\t'
            << (profile->population ? QString::number(*profile->population) : QString()) << '\t'
            << kindText(profile->kind);
    else
        out << QLatin1String("\t\t");
}

void printRow(StandardStream &out, ZipColumns &columns, const ZipRow &row)
{
    printPlaceRow(out, row, columns.place(row.zip), columns.profile(row.zip));
}

// "40.75,-73.99": a point as latitude and longitude in decimal degrees.
std::optional<GeoPoint> pointFromText(const QString &text)
{
    const QStringList parts = text.split(u',');
    if (parts.size() != 2)
        return std::nullopt;
    return placeFromText(u"the point", u"", parts[0], parts[1]).position;
}

[[noreturn]] void refuse(const QString &reason)
{
    throw std::runtime_error(reason.toStdString());
}

// The ZIP's position; refuses a ZIP the list lacks and one without coordinates.
GeoPoint positionOf(ZipStore &store, const QString &zip)
{
    if (!store.exists(zip))
        refuse(QStringLiteral("no ZIP %1 in the ZIP list").arg(zip));
    const std::optional<ZipPlace> place = store.place(zip);
    if (!place || !place->position)
        refuse(miles::noCoordinatesText(zip));
    return *place->position;
}

// The FIPS code of "NAME, ST" or the five-digit code itself. A name two counties of the state
// share is refused with their codes, so a script never mixes two counties' ZIPs unawares.
QString fipsOfCounty(ZipStore &store, const QString &county)
{
    if (county.size() == 5 && std::all_of(county.begin(), county.end(), [](QChar c) { return c.isDigit(); }))
        return county;
    const qsizetype comma = county.lastIndexOf(u',');
    const QString name = county.left(comma).trimmed();
    const QString state = stateFipsCode(QStringView(county).mid(comma + 1));
    if (comma < 0 || name.isEmpty() || state.isEmpty())
        refuse(QStringLiteral("a county is its name and state, such as \"Suffolk, MA\", or its five-digit FIPS code,"
                              " not '%1'").arg(county));
    const std::vector<CountyShare> named = store.countiesNamed(name, state);
    if (named.empty())
        refuse(QStringLiteral("no county %1 in the ZIP list").arg(county));
    QStringList codes;
    for (const CountyShare &each : named)
        if (!codes.contains(each.fips))
            codes.append(each.fips);
    if (codes.size() > 1)
        refuse(QStringLiteral("%1 names the counties %2: give one's FIPS code").arg(county, codes.join(QStringLiteral(" and "))));
    return codes.constFirst();
}

} // namespace

ExitStatus printSearch(const StoreLocations &locations, const QString &text, StandardStream &out)
{
    ZipSession session;
    openStoreAsTheWindowDoes(locations, session);
    ZipColumns columns(session.store());
    const std::unique_ptr<ZipCursor> rows = session.store().search(text);
    out << kPlaceHeader << '\n';
    int printed = 0;
    for (; !rows->atEnd(); rows->moveNext(), ++printed) {
        printRow(out, columns, {rows->text(ZipCodeColumn), rows->text(CityColumn), rows->text(StateColumn)});
        out << '\n';
    }
    return printed > 0 ? ExitStatus::Done : ExitStatus::NothingDone;
}

ExitStatus printNear(const StoreLocations &locations, const QString &zipOrPoint, const QString &miles,
                     StandardStream &out)
{
    const std::optional<double> distance = miles::inRange(miles);
    if (!distance)
        refuse(QStringLiteral("the distance must be a number of miles from %1, such as 2.5, not '%2'")
                   .arg(miles::rangeText(), miles));
    const bool isPoint = zipOrPoint.contains(u',');
    const std::optional<GeoPoint> point = isPoint ? pointFromText(zipOrPoint) : std::nullopt;
    if (isPoint && !point)
        refuse(QStringLiteral("a point is a latitude and a longitude, such as 40.75,-73.99, not '%1'").arg(zipOrPoint));
    ZipSession session;
    openStoreAsTheWindowDoes(locations, session);
    ZipStore &store = session.store();
    if (!point)
        positionOf(store, zipOrPoint);
    const std::vector<NearbyRow> nearby = point ? store.rowsNear(*point, *distance) : store.rowsNear(zipOrPoint, *distance);
    ZipColumns columns(store);
    out << kPlaceHeader << QLatin1String("\tMiles\n");
    for (const NearbyRow &near : nearby) {
        printPlaceRow(out, near.row, near.place, columns.profile(near.row.zip));
        out << '\t' << QString::number(near.miles, 'f', 2) << '\n';
    }
    return nearby.empty() ? ExitStatus::NothingDone : ExitStatus::Done;
}

ExitStatus printDistance(const StoreLocations &locations, const QString &from, const QString &to, StandardStream &out)
{
    ZipSession session;
    openStoreAsTheWindowDoes(locations, session);
    const double miles = milesBetween(positionOf(session.store(), from), positionOf(session.store(), to));
    out << QString::number(miles, 'f', 2) << '\n';
    return ExitStatus::Done;
}

ExitStatus printCounty(const StoreLocations &locations, const QString &county, StandardStream &out)
{
    ZipSession session;
    openStoreAsTheWindowDoes(locations, session);
    ZipStore &store = session.store();
    const std::vector<CountyRow> rows = store.rowsInCounty(fipsOfCounty(store, county.trimmed()));
    ZipColumns columns(store);
    out << kPlaceHeader << QLatin1String("\tShare\n");
    for (const CountyRow &row : rows) {
        printRow(out, columns, row.row);
        out << '\t' << (row.share ? shareText(*row.share) : QString()) << '\n';
    }
    return rows.empty() ? ExitStatus::NothingDone : ExitStatus::Done;
}

ExitStatus printVersion(const StoreLocations &locations, StandardStream &out)
{
    out << appinfo::kDisplayName << ' ' << appinfo::kVersion << '\n';
    ZipSession session;
    session.create(locations);
    out << describeData(ShippedCopy(locations.pristineCopy).sources(), session.store().provenance()).join(u'\n')
        << '\n';
    return ExitStatus::Done;
}
