#pragma once

// A place on the earth in degrees on WGS 84: latitude from -90 (south) to 90 (north), longitude
// from -180 (west) to 180 (east).
struct GeoPoint {
    double latitude = 0;
    double longitude = 0;

    bool operator==(const GeoPoint &) const = default;
};
