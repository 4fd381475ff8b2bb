#include "ZipStore.h"

#include "GreatCircle.h"
#include "ZipCursor.h"
#include "ZipSchema.h"

namespace {

// The box around the circle, widened by a hair so that rounding in a backend's comparison of
// its edges cannot drop a ZIP right on the circle.
GeoBox candidateBox(GeoPoint centre, double miles)
{
    constexpr double kHair = 1e-9;
    GeoBox box = boxAround(centre, miles);
    box.south -= kHair;
    box.north += kHair;
    box.west -= kHair;
    box.east += kHair;
    return box;
}

} // namespace

std::vector<NearbyRow> ZipStore::rowsNear(const QString &zip, double miles)
{
    const std::optional<ZipPlace> centre = place(zip);
    if (!centre || !centre->position)
        return {};
    std::vector<NearbyRow> near = rowsWithin(*centre->position, miles);
    sortNearestFirst(near, zip);
    return near;
}

std::vector<NearbyRow> ZipStore::rowsNear(GeoPoint centre, double miles)
{
    std::vector<NearbyRow> near = rowsWithin(centre, miles);
    sortNearestFirst(near, QString());
    return near;
}

std::vector<NearbyRow> ZipStore::rowsWithin(GeoPoint at, double miles)
{
    std::vector<NearbyRow> near;
    for (const auto candidate = candidatesIn(candidateBox(at, miles)); !candidate->atEnd(); candidate->moveNext()) {
        // Measured before any text is read, so the corners of the box outside the circle cost none.
        const GeoPoint position{candidate->number(zipschema::PlacedLatitude),
                                candidate->number(zipschema::PlacedLongitude)};
        const double distance = milesBetween(at, position);
        if (!(distance <= miles))
            continue;
        const QString rowZip = candidate->text(zipschema::PlacedZip);
        near.push_back({{rowZip, candidate->text(zipschema::PlacedCity), candidate->text(zipschema::PlacedState)},
                        {rowZip, candidate->text(zipschema::PlacedCounty), position},
                        distance});
    }
    return near;
}
