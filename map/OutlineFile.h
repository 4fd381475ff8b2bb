#pragma once

#include "GeoPoint.h"

#include <QByteArray>
#include <QString>

#include <stdexcept>
#include <vector>

// One state's outline: its USPS and FIPS codes and its rings (islands and holes alike), each a
// closed list of points in degrees.
struct StateOutline {
    QString usps;
    QString fips;
    std::vector<std::vector<GeoPoint>> rings;
};

// Why an outline file could not be read, in words a person can be shown.
class OutlineFileDamage : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The outline file, written by tools/make_states_outline.js, all numbers little-endian:
//   "QMOUTLN1"; uint32 state count; per state: 2 ASCII letters USPS code, 2 ASCII digits FIPS
//   code, uint32 ring count; per ring: uint32 point count, then per point int32 longitude and
//   int32 latitude in millionths of a degree. Nothing follows the last state.
// Both throw OutlineFileDamage at the first thing that does not fit, so a damaged file yields
// no outline rather than a wrong one. The path, a link followed, must name a regular file of at
// most 16 MB: a FIFO or a device is refused before it is read.
std::vector<StateOutline> readOutlineFile(const QString &path);
std::vector<StateOutline> parseOutlines(const QByteArray &bytes);
