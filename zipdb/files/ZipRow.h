#pragma once

#include <QString>

// One row of the ZipCodes table, and the positions of its columns in every row a query or a
// search reads.
enum ZipColumn { ZipCodeColumn = 0, CityColumn = 1, StateColumn = 2 };

struct ZipRow {
    QString zip;
    QString city;
    QString state;

    bool operator==(const ZipRow &) const = default;
    // By ZIP, then city, then state, comparing UTF-16 code units.
    bool operator<(const ZipRow &other) const
    {
        if (const int byZip = zip.compare(other.zip))
            return byZip < 0;
        if (const int byCity = city.compare(other.city))
            return byCity < 0;
        return state < other.state;
    }
};
