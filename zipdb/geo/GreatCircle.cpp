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
    // The angle as atan2 of its sine and cosine, which keeps its digits at every distance, where
    // the cosine rule loses them for short ones and the haversine near the antipode. The sine's
    // second part is written with the half angle so it does not cancel away for short distances.
    const double latitudeA = radians(a.latitude);
    const double latitudeB = radians(b.latitude);
    const double longitude = radians(b.longitude - a.longitude);
    const double sinHalfLongitude = std::sin(longitude / 2);
    const double east = std::cos(latitudeB) * std::sin(longitude);
    const double north = std::sin(latitudeB - latitudeA)
        + 2 * std::sin(latitudeA) * std::cos(latitudeB) * sinHalfLongitude * sinHalfLongitude;
    const double cosine = std::sin(latitudeA) * std::sin(latitudeB)
        + std::cos(latitudeA) * std::cos(latitudeB) * std::cos(longitude);
    return kEarthRadiusMiles * std::atan2(std::hypot(east, north), cosine);
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
