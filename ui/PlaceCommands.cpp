#include "PlaceCommands.h"

#include "Dialogs.h"
#include "FormRoutine.h"
#include "MilesRange.h"
#include "ResultsModel.h"
#include "WindowPointer.h"
#include "ZipPlace.h"
#include "ZipProfile.h"
#include "ZipRow.h"
#include "ZipSession.h"
#include "ZipStore.h"

#include <QAbstractItemView>
#include <QLocale>
#include <QTimeZone>

#include <cstdlib>
#include <vector>

namespace {

// "Suffolk 99.6 %, Middlesex 0.4 %"; the place's county where no profile is kept.
QString countiesLine(const ZipPlace &place, const std::optional<ZipProfile> &profile)
{
    if (!profile || profile->counties.empty())
        return QStringLiteral("County: ") + (place.county.isEmpty() ? QStringLiteral("(none given)") : place.county);
    QStringList counties;
    for (const CountyShare &county : profile->counties)
        counties.append(county.share ? county.name + u' ' + QLocale().toString(*county.share, 'f', QLocale::FloatingPointShortest)
                                           + QStringLiteral(" %")
                                     : county.name);
    return (profile->counties.size() == 1 ? QStringLiteral("County: ") : QStringLiteral("Counties: "))
        + counties.join(QStringLiteral(", "));
}

// "UTC−5", "UTC+5:30", with the minus sign a reader expects.
QString utcOffsetText(int seconds)
{
    const int minutes = std::abs(seconds) / 60;
    QString text = QStringLiteral("UTC") + (seconds < 0 ? QChar(0x2212) : QChar(u'+')) + QString::number(minutes / 60);
    if (minutes % 60)
        text += u':' + QString::number(minutes % 60).rightJustified(2, u'0');
    return text;
}

// "America/New_York, 10:42 EST, UTC−5" at the moment given.
QString timeZoneLine(const QString &name, const QDateTime &now)
{
    if (name.isEmpty())
        return QStringLiteral("Time zone: none kept");
    const QTimeZone zone(name.toUtf8());
    if (!zone.isValid())
        return QStringLiteral("Time zone: ") + name;
    const QDateTime local = now.toTimeZone(zone);
    return QStringLiteral("Time zone: %1, %2 %3, %4")
        .arg(name, local.toString(QStringLiteral("HH:mm")), zone.abbreviation(now), utcOffsetText(zone.offsetFromUtc(now)));
}

QStringList profileLines(const std::optional<ZipProfile> &profile, const QDateTime &now)
{
    if (!profile)
        return {};
    QString population = QStringLiteral("Population: ")
        + (profile->population ? QLocale().toString(*profile->population) : QStringLiteral("not known"));
    if (profile->density)
        population += QStringLiteral(" (%1 per km²)").arg(QLocale().toString(*profile->density, 'f', 1));
    return {timeZoneLine(profile->timeZone, now), population, QStringLiteral("Kind: ") + kindText(profile->kind)};
}

QString detailsText(const ResultsModel &results, int row, bool listed, const std::optional<ZipPlace> &place,
                    const std::optional<ZipProfile> &profile, const QDateTime &now)
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
    lines << countiesLine(*place, profile);
    if (place->position)
        lines << QStringLiteral("Latitude: ") + coordinateText(place->position->latitude)
              << QStringLiteral("Longitude: ") + coordinateText(place->position->longitude);
    else
        lines << QStringLiteral("Latitude and longitude: not known");
    return (lines + profileLines(profile, now)).join(u'\n');
}

// The residents of the listed ZIPs.
QString listedResidentsText(const ResultsModel &results, const std::vector<ZipProfile> &profiles)
{
    QStringList zips;
    for (int row = 0; row < results.rowCount(); ++row)
        zips.append(results.cell(row, ZipCodeColumn));
    return residentsText(residentsOf(zips, populationsOf(profiles)));
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
    std::optional<ZipProfile> profile;
    if (r.test(100, [&] { return !(row = currentRow()); }))
        return;
    // Without the look-ups there is nothing true to show.
    if (!r.step(102, [&] { listed = m_zipSession.store().exists(zip = m_results.cell(*row, ZipCodeColumn)); }))
        return;
    if (listed && !r.step(104, [&] { place = m_zipSession.store().place(zip); }))
        return;
    if (place && !r.step(106, [&] { profile = m_zipSession.store().profile(zip); }))
        return;
    r.step(108, [&] {
        m_dialogs.messageBox(detailsText(m_results, *row, listed, place, profile, m_clock()), Dialogs::OkOnly,
                             QStringLiteral("Details"));
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
    std::vector<ZipProfile> profiles;
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
    r.step(126, [&] { profiles = m_zipSession.store().profiles(); });
    r.step(128, [&] { m_pointer.set(WindowPointer::Default); });
    r.step(130, [&] {
        m_dialogs.messageBox(QStringLiteral("%1 rows within %2 miles of %3.\n%4.")
                                 .arg(QLocale().toString(m_results.rowCount()), QLocale().toString(*distance), zip,
                                      listedResidentsText(m_results, profiles)),
                             Dialogs::OkOnly, QStringLiteral("ZIPs Near"));
    });
}

void PlaceCommands::listZipsInCounty()
{
    if (m_pointer.isBusy())
        return;
    Routine r = formRoutine(m_dialogs, QStringLiteral("mnuZipsInCounty_Click"));
    std::optional<int> row;
    QString zip;
    std::optional<ZipProfile> profile;
    std::vector<CountyRow> rows;
    ResultsModel::Appender list(m_results);
    if (r.test(100, [&] { return !(row = currentRow()); }))
        return;
    if (!r.step(102, [&] { profile = m_zipSession.store().profile(zip = m_results.cell(*row, ZipCodeColumn)); }))
        return;
    if (r.test(104, [&] { return !profile || profile->counties.empty() || profile->counties.front().fips.isEmpty(); })) {
        r.step(106, [&] { m_dialogs.messageBox(QStringLiteral("No county is kept for %1.").arg(zip), Dialogs::OkOnly); });
        return;
    }
    r.step(108, [&] { m_pointer.set(WindowPointer::Busy); });
    r.step(110, [&] { m_results.clear(); });
    // The ZIP's first county is the one most of its residents live in.
    r.step(112, [&] { rows = m_zipSession.store().rowsInCounty(profile->counties.front().fips); });
    r.step(114, [&] {
        for (const CountyRow &each : rows)
            list.addRow(each.row.zip, each.row.city, each.row.state);
        list.commit();
    });
    r.step(116, [&] { m_list.setCurrentIndex(m_results.index(0, ZipCodeColumn)); });
    r.step(118, [&] { m_pointer.set(WindowPointer::Default); });
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
