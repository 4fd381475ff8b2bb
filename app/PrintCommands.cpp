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
#include "ZipFacts.h"
#include "ZipPlace.h"
#include "ZipProfile.h"
#include "ZipRow.h"
#include "ZipSession.h"
#include "ZipStore.h"

#include <algorithm>
#include <cstdint>
#include <future>
#include <stdexcept>

namespace {

// A field of a tab-separated line: a tab or line break inside it would break the line's columns.
void printField(StandardStream &out, QStringView text)
{
    // Looked for before anything is written, so a clean text is not copied.
    const auto breaksLine = [](QChar c) { return c == u'\t' || c == u'\n' || c == u'\r'; };
    if (std::none_of(text.cbegin(), text.cend(), breaksLine)) {
        out << text;
        return;
    }
    QString cleaned = text.toString();
    std::replace_if(cleaned.begin(), cleaned.end(), breaksLine, u' ');
    out << cleaned;
}

const QLatin1String kPlaceHeader("ZIP\tCity\tState\tCounty\tLatitude\tLongitude\tTimeZone\tCounties\tPopulation\tKind");

// Each row's columns after its state, from its ZIP's place and profile: asked of the store ZIP by
// ZIP for a few rows, as a script's search of one ZIP has them, and for many read whole, once. The
// profiles, the larger part, are then read through a store of their own on a thread of their own,
// while the caller reads the places and its rows.
class ZipColumns
{
public:
    // Beyond this many rows a whole read costs less than the questions.
    static constexpr size_t kFewRows = 200;

    ZipColumns(const StoreLocations &locations, ZipStore &store, size_t rows)
        : m_store(store), m_oneByOne(rows <= kFewRows)
    {
        if (m_oneByOne)
            return;
        m_profilesMade = std::async(std::launch::async, [this, &locations] {
            ZipSession own;
            own.create(locations);
            own.store().open();
            m_facts.addProfiles(own.store().profiles());
        });
        m_facts.addPlaces(store.places());
    }

    // Each column after a tab; empty ones for a ZIP the person added.
    void print(StandardStream &out, const QString &zip)
    {
        if (m_oneByOne) {
            const std::optional<ZipPlace> place = m_store.place(zip);
            const std::optional<ZipProfile> profile = m_store.profile(zip);
            for (int fact = 0; fact < ZipFacts::FactCount; ++fact) {
                out << '\t';
                printField(out, ZipFacts::text(place ? &*place : nullptr, profile ? &*profile : nullptr, ZipFacts::Fact(fact)));
            }
            return;
        }
        if (m_profilesMade.valid())
            m_profilesMade.get();
        const int number = ZipFacts::numberOf(zip);
        for (int fact = 0; fact < ZipFacts::FactCount; ++fact) {
            out << '\t';
            printField(out, m_facts.view(number, ZipFacts::Fact(fact)));
        }
    }

private:
    ZipStore &m_store;
    const bool m_oneByOne;
    ZipFacts m_facts;
    // Last, so that it is waited for before the facts it writes go.
    std::future<void> m_profilesMade;
};

void printRow(StandardStream &out, ZipColumns &columns, const ZipRow &row)
{
    printField(out, row.zip);
    out << '\t';
    printField(out, row.city);
    out << '\t';
    printField(out, row.state);
    columns.print(out, row.zip);
}

// Appends the cursor's rows up to `upTo` rows in all.
void readRows(ZipCursor &cursor, std::vector<ZipRow> &rows, size_t upTo = SIZE_MAX)
{
    for (; !cursor.atEnd() && rows.size() < upTo; cursor.moveNext())
        rows.push_back({cursor.text(ZipCodeColumn), cursor.text(CityColumn), cursor.text(StateColumn)});
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
    const std::unique_ptr<ZipCursor> cursor = session.store().search(text);
    std::vector<ZipRow> rows;
    readRows(*cursor, rows, ZipColumns::kFewRows + 1);
    ZipColumns columns(locations, session.store(), rows.size());
    // The rest of a long search is read while the profiles are.
    readRows(*cursor, rows);
    out << kPlaceHeader << '\n';
    for (const ZipRow &row : rows) {
        printRow(out, columns, row);
        out << '\n';
    }
    return rows.empty() ? ExitStatus::NothingDone : ExitStatus::Done;
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
    ZipColumns columns(locations, store, nearby.size());
    out << kPlaceHeader << QLatin1String("\tMiles\n");
    for (const NearbyRow &near : nearby) {
        printRow(out, columns, near.row);
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
    ZipColumns columns(locations, store, rows.size());
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
