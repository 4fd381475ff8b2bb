#include "PlaceCommands.h"

#include "Dialogs.h"
#include "FormRoutine.h"
#include "MilesRange.h"
#include "ResultsModel.h"
#include "WindowPointer.h"
#include "ZipPlace.h"
#include "ZipRow.h"
#include "ZipSession.h"
#include "ZipStore.h"

#include <QAbstractItemView>
#include <QLocale>

#include <vector>

namespace {

QString detailsText(const ResultsModel &results, int row, bool listed, const std::optional<ZipPlace> &place)
{
    const QString zip = results.cell(row, ZipCodeColumn);
    QStringList lines{QStringLiteral("ZIP: ") + zip, QStringLiteral("City: ") + results.cell(row, CityColumn),
                      QStringLiteral("State: ") + results.cell(row, StateColumn)};
    if (!listed) {
        lines << QString()
              << QStringLiteral("%1 is no longer in the ZIP list. Search again to see the list as it is now.").arg(zip);
        return lines.join(u'\n');
    }
    if (!place) {
        lines << QString()
              << QStringLiteral("No county or coordinates are kept for %1: it was added to the database by hand.")
                     .arg(zip);
        return lines.join(u'\n');
    }
    lines << QStringLiteral("County: ") + (place->county.isEmpty() ? QStringLiteral("(none given)") : place->county);
    if (place->position)
        lines << QStringLiteral("Latitude: ") + coordinateText(place->position->latitude)
              << QStringLiteral("Longitude: ") + coordinateText(place->position->longitude);
    else
        lines << QStringLiteral("Latitude and longitude: not known");
    return lines.join(u'\n');
}

} // namespace

std::optional<int> PlaceCommands::currentRow() const
{
    const QModelIndex current = m_list.currentIndex();
    return current.isValid() ? std::optional(current.row()) : std::nullopt;
}

void PlaceCommands::showDetails()
{
    if (m_pointer.isBusy())
        return;
    Routine r = formRoutine(m_dialogs, QStringLiteral("mnuDetails_Click"));
    std::optional<int> row;
    QString zip;
    bool listed = false;
    std::optional<ZipPlace> place;
    if (r.test(100, [&] { return !(row = currentRow()); }))
        return;
    // Without the look-ups there is nothing true to show.
    if (!r.step(102, [&] { listed = m_zipSession.store().exists(zip = m_results.cell(*row, ZipCodeColumn)); }))
        return;
    if (listed && !r.step(104, [&] { place = m_zipSession.store().place(zip); }))
        return;
    r.step(106, [&] {
        m_dialogs.messageBox(detailsText(m_results, *row, listed, place), Dialogs::OkOnly, QStringLiteral("Details"));
    });
}

void PlaceCommands::listZipsNear()
{
    if (m_pointer.isBusy())
        return;
    Routine r = formRoutine(m_dialogs, QStringLiteral("mnuZipsNear_Click"));
    std::optional<int> row;
    QString zip;
    std::optional<ZipPlace> centre;
    std::optional<double> distance;
    std::vector<NearbyRow> nearby;
    ResultsModel::Appender list(m_results);
    if (r.test(100, [&] { return !(row = currentRow()); }))
        return;
    if (!r.step(102, [&] { centre = m_zipSession.store().place(zip = m_results.cell(*row, ZipCodeColumn)); }))
        return;
    if (r.test(104, [&] { return !centre || !centre->position; })) {
        r.step(106, [&] {
            m_dialogs.messageBox(miles::noCoordinatesText(zip) + u'.', Dialogs::OkOnly);
        });
        return;
    }
    if (!(distance = askDistance(r, zip)))
        return;
    r.step(116, [&] { m_pointer.set(WindowPointer::Busy); });
    r.step(118, [&] { m_results.clear(); });
    r.step(120, [&] { nearby = m_zipSession.store().rowsNear(zip, *distance); });
    r.step(122, [&] {
        for (const NearbyRow &near : nearby) {
            list.addRow(near.row.zip, near.row.city, near.row.state);
            list.setLastMiles(near.miles);
        }
        list.commit();
    });
    // The centre stays the current row, so the map marks it and a second "ZIPs Near…" starts there.
    r.step(124, [&] { m_list.setCurrentIndex(m_results.index(0, ZipCodeColumn)); });
    r.step(126, [&] { m_pointer.set(WindowPointer::Default); });
}

std::optional<double> PlaceCommands::askDistance(Routine &r, const QString &zip)
{
    QString typed;
    std::optional<double> distance;
    // A distance out of range is refused and asked for again, until one is taken or the person
    // gives up with an empty answer.
    while (!distance) {
        if (!r.step(108, [&] {
                typed = m_dialogs.inputBox(QStringLiteral("Distance from %1 in miles (%2): ").arg(zip, miles::rangeText()),
                                           QStringLiteral("ZIPs Near"));
            }))
            return std::nullopt;
        if (r.test(110, [&] { return typed.trimmed().isEmpty(); }))
            return std::nullopt;
        if (r.test(112, [&] { return !(distance = miles::inRange(typed)); }))
            r.step(114, [&] {
                m_dialogs.messageBox(
                    QStringLiteral("The distance must be a number of miles from %1, such as 2.5.").arg(miles::rangeText()),
                    Dialogs::OkOnly);
            });
    }
    return distance;
}
