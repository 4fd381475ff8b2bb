#include "PrintCommands.h"

#include "AppInfo.h"
#include "FirstStart.h"
#include "MilesRange.h"
#include "Provenance.h"
#include "ShippedCopy.h"
#include "StandardStream.h"
#include "StoreLocations.h"
#include "ZipCursor.h"
#include "ZipPlace.h"
#include "ZipRow.h"
#include "ZipSession.h"
#include "ZipStore.h"

#include <stdexcept>

namespace {

// A field of a tab-separated line: a tab or line break inside it would break the line's columns.
QString field(QString text)
{
    for (QChar &c : text)
        if (c == u'\t' || c == u'\n' || c == u'\r')
            c = u' ';
    return text;
}

const QLatin1String kPlaceHeader("ZIP\tCity\tState\tCounty\tLatitude\tLongitude");

void printPlaceRow(StandardStream &out, const ZipRow &row, const ZipPlace &place)
{
    out << field(row.zip) << '\t' << field(row.city) << '\t' << field(row.state) << '\t' << field(place.county) << '\t';
    if (place.position)
        out << coordinateText(place.position->latitude) << '\t' << coordinateText(place.position->longitude);
    else
        out << '\t';
}

[[noreturn]] void refuse(const QString &reason)
{
    throw std::runtime_error(reason.toStdString());
}

} // namespace

ExitStatus printSearch(const StoreLocations &locations, const QString &text, StandardStream &out)
{
    ZipSession session;
    openStoreAsTheWindowDoes(locations, session);
    const QHash<QString, ZipPlace> places = session.store().places();
    const std::unique_ptr<ZipCursor> rows = session.store().search(text);
    out << kPlaceHeader << '\n';
    int printed = 0;
    for (; !rows->atEnd(); rows->moveNext(), ++printed) {
        const ZipRow row{rows->text(ZipCodeColumn), rows->text(CityColumn), rows->text(StateColumn)};
        printPlaceRow(out, row, places.value(row.zip));
        out << '\n';
    }
    return printed > 0 ? ExitStatus::Done : ExitStatus::NothingDone;
}

ExitStatus printNear(const StoreLocations &locations, const QString &zip, const QString &miles, StandardStream &out)
{
    const std::optional<double> distance = miles::inRange(miles);
    if (!distance)
        refuse(QStringLiteral("the distance must be a number of miles from %1, such as 2.5, not '%2'")
                   .arg(miles::rangeText(), miles));
    ZipSession session;
    openStoreAsTheWindowDoes(locations, session);
    ZipStore &store = session.store();
    if (!store.exists(zip))
        refuse(QStringLiteral("no ZIP %1 in the ZIP list").arg(zip));
    if (const std::optional<ZipPlace> centre = store.place(zip); !centre || !centre->position)
        refuse(miles::noCoordinatesText(zip));
    const std::vector<NearbyRow> nearby = store.rowsNear(zip, *distance);
    out << kPlaceHeader << QLatin1String("\tMiles\n");
    for (const NearbyRow &near : nearby) {
        printPlaceRow(out, near.row, near.place);
        out << '\t' << QString::number(near.miles, 'f', 2) << '\n';
    }
    return nearby.empty() ? ExitStatus::NothingDone : ExitStatus::Done;
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
