#pragma once

#include "Provenance.h"
#include "ZipPlace.h"
#include "ZipProfile.h"

#include <QHash>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class ZipCursor;
class ZipImport;
struct GeoBox;
struct ImportPlan;

// Where the ZIP rows live: the embedded working copy or a server shared by an office. The
// commands call these operations and nothing else, so they do not know which store runs. Every
// failure throws std::runtime_error carrying the store's own description (SQLite's message, the
// server's), which the command's routine shows in its error box.
class ZipStore
{
public:
    virtual ~ZipStore() = default;

    // Opens the store and checks that it holds the ZIP table. Fails when it is open already.
    virtual void open() = 0;
    virtual bool isOpen() const = 0;
    // Fails when the store is closed.
    virtual void close() = 0;

    // The rows whose ZIP, city or state begins with the text as typed, ignoring the case of
    // ASCII letters, '%' and '_' acting as wildcards, ordered by ZIP and then city byte by byte.
    // A text holding a NUL lists nothing; one too long for the embedded engine's LIKE is matched
    // as it stands, its '%' and '_' taken literally.
    virtual std::unique_ptr<ZipCursor> search(const QString &text) = 0;
    // Whether any row has the ZIP.
    virtual bool exists(const QString &zip) = 0;
    // Adds one row unless the ZIP has a row already, checked and written in one step so that two
    // machines adding the same ZIP at once add it once. True when the row was added.
    virtual bool add(const QString &zip, const QString &city, const QString &state) = 0;
    // Deletes every row of the ZIP, whatever its city and state; returns how many went.
    virtual int remove(const QString &zip) = 0;
    // Replaces every row with the shipped ones; others see the old rows or the new, never a mix.
    // Needs no open store: the reset runs between a close and the next open.
    virtual void reset() = 0;

    // Why the store takes no import, or the empty text when it does: an import merges into a
    // machine's own working copy only.
    virtual QString importRefusal() const = 0;
    // What the import would do now, and the import itself in one transaction (ZipImport::plan()
    // and apply()). A store that takes no import throws its importRefusal().
    virtual ImportPlan planImport(const ZipImport &import) = 0;
    virtual ImportPlan applyImport(const ZipImport &import) = 0;

    // The ZIP's county and position; none when no place is kept for it (a ZIP the person added).
    virtual std::optional<ZipPlace> place(const QString &zip) = 0;
    // Every ZIP's place, keyed by ZIP: the command line's columns and the map's dots.
    virtual QHash<QString, ZipPlace> places() = 0;
    // Every row whose ZIP's position lies within `miles` of the centre ZIP's position, nearest
    // first (ties by ZIP, then city), the centre ZIP's own rows first of all. Empty when the
    // centre ZIP has no position or no place. Measured the same on every store: a backend gives
    // only the candidates in the box around the circle.
    std::vector<NearbyRow> rowsNear(const QString &zip, double miles);
    // Every row whose ZIP's position lies within `miles` of the point, nearest first, ties by ZIP,
    // then city.
    std::vector<NearbyRow> rowsNear(GeoPoint centre, double miles);

    // The ZIP's counties, time zone, residents and kind; none for a ZIP the person added.
    virtual std::optional<ZipProfile> profile(const QString &zip) = 0;
    // Every ZIP's profile in ZIP order: the command line's columns for a whole list.
    virtual std::vector<ZipProfile> profiles() = 0;
    // The rows of the ZIPs with any share in the county of the five-digit FIPS code, largest
    // share first, a ZIP without a share last, ties by ZIP and city.
    virtual std::vector<CountyRow> rowsInCounty(const QString &fips) = 0;
    // The counties called so, in any letter case, in the state of the two-digit FIPS code: their
    // FIPS codes and names, without a share, by FIPS code.
    virtual std::vector<CountyShare> countiesNamed(const QString &name, const QString &stateFips) = 0;

    // Where the rows came from: the shipped sources and the imports since. Reads a closed store
    // too, for --version.
    virtual std::vector<ProvenanceEntry> provenance() = 0;

protected:
    // The rows whose ZIP's position lies in the box, through the index on the position, in the
    // columns of zipschema::placedRowsInBoxSql(). A box across the antimeridian has west > east.
    virtual std::unique_ptr<ZipCursor> candidatesIn(const GeoBox &box) = 0;

private:
    // The rows within the miles of the point, in no order.
    std::vector<NearbyRow> rowsWithin(GeoPoint centre, double miles);
};
