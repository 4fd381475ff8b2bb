#include "GreatCircle.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180;

double radians(double degrees)
{
    return degrees * kRadiansPerDegree;
}

double degrees(double radians)
{
    return radians / kRadiansPerDegree;
}

} // namespace

double milesBetween(GeoPoint a, GeoPoint b)
{
    // The haversine keeps its digits for short distances, where the cosine rule loses them;
    // atan2 instead of asin keeps them near the antipode too.
    const double sinHalfLatitude = std::sin(radians(b.latitude - a.latitude) / 2);
    const double sinHalfLongitude = std::sin(radians(b.longitude - a.longitude) / 2);
    const double h = std::clamp(sinHalfLatitude * sinHalfLatitude
                                    + std::cos(radians(a.latitude)) * std::cos(radians(b.latitude)) * sinHalfLongitude
                                        * sinHalfLongitude,
                                0.0, 1.0);
    return 2 * kEarthRadiusMiles * std::atan2(std::sqrt(h), std::sqrt(1 - h));
}

bool GeoBox::contains(GeoPoint point) const
{
    if (point.latitude < south || point.latitude > north)
        return false;
    if (west <= east)
        return point.longitude >= west && point.longitude <= east;
    return point.longitude >= west || point.longitude <= east;
}

GeoBox boxAround(GeoPoint centre, double miles)
{
    const double reach = std::max(miles, 0.0) / kEarthRadiusMiles; // the angle at the earth's centre
    GeoBox box;
    const double latitude = radians(centre.latitude);
    const double south = latitude - reach;
    const double north = latitude + reach;
    if (south <= -std::numbers::pi / 2 || north >= std::numbers::pi / 2) {
        // A pole lies inside: every longitude is near enough at its latitude.
        box.south = std::max(degrees(south), -90.0);
        box.north = std::min(degrees(north), 90.0);
        return box;
    }
    box.south = degrees(south);
    box.north = degrees(north);
    // The widest longitude on the circle is where a meridian touches it, not at the centre's latitude.
    const double spread = degrees(std::asin(std::min(std::sin(reach) / std::cos(latitude), 1.0)));
    box.west = centre.longitude - spread;
    box.east = centre.longitude + spread;
    if (box.west < -180)
        box.west += 360;
    if (box.east > 180)
        box.east -= 360;
    return box;
}
