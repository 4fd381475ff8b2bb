#pragma once

#include "ZipDatabaseFile.h"

#include <QString>

#include <vector>

class PackedRows;
struct ProvenanceEntry;
struct ZipPlace;
struct ZipProfile;
struct ZipRow;

// The pristine copy beside the executable, opened read-only: the base that the working copy is
// compared with. Each call throws with SQLite's reason when the file cannot be read.
class ShippedCopy
{
public:
    explicit ShippedCopy(const QString &path);
    ~ShippedCopy();
    ShippedCopy(const ShippedCopy &) = delete;
    ShippedCopy &operator=(const ShippedCopy &) = delete;

    // Every row, sorted.
    std::vector<ZipRow> rows() const;
    PackedRows packedRows() const;
    // The sources the data build recorded.
    std::vector<ProvenanceEntry> sources() const;
    // Every ZIP's place, by ZIP.
    std::vector<ZipPlace> places() const;
    // Every ZIP's profile, by ZIP.
    std::vector<ZipProfile> profiles() const;

private:
    SqliteHandle m_db;
};
