#pragma once

#include "GeoPoint.h"

// Distances on the earth taken as a sphere, the model the ZIP distances are given on.
inline constexpr double kEarthRadiusMiles = 3958.7613;

// The great-circle distance in miles, exact to rounding from a few feet to half the earth.
double milesBetween(GeoPoint a, GeoPoint b);

// A box of latitudes and longitudes in degrees. When it crosses the antimeridian, west is greater
// than east and the box is the longitudes from west to 180 and from -180 to east.
struct GeoBox {
    double south = -90;
    double north = 90;
    double west = -180;
    double east = 180;

    bool contains(GeoPoint point) const;
};

// The smallest such box that holds every point within the miles of the centre, so a search of an
// index on latitude and longitude can narrow the candidates before their distances are measured.
// Where the circle reaches over a pole the box takes every longitude.
GeoBox boxAround(GeoPoint centre, double miles);
