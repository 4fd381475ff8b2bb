#pragma once

#include "ZipDataFile.h"

#include <optional>
#include <vector>

// What an import does to one ZIP.
enum class ZipOutcome { Added, Removed, Renamed, Kept };

struct ZipChange {
    ZipOutcome outcome;
    QString zip;
    // The working copy's rows of the ZIP, and the file's (none when the file removes it).
    std::vector<ZipRow> current;
    std::vector<ZipRow> imported;
};

// What the imports so far said of the ZIPs whose rows they gave otherwise than the shipped data:
// the next import's base for those ZIPs. A ZIP an import removed is recorded with no rows.
struct ImportRecord {
    // Sorted (sortUnique).
    std::vector<ZipRow> rows;
    QSet<QString> zips;
};

// A ZIP whose record the import changes: its file rows, or none when they are the shipped rows,
// which then are its base again.
struct RecordChange {
    QString zip;
    std::optional<std::vector<ZipRow>> rows;
};

struct ImportPlan {
    // Every ZIP the import adds, removes, renames or keeps against the file, in ZIP order.
    std::vector<ZipChange> changes;
    // Every ZIP the file speaks for whose record it changes, kept ZIPs and ZIPs where the person's
    // rows are the file's included: the file's rows are the base of the next import.
    std::vector<RecordChange> record;

    qsizetype count(ZipOutcome outcome) const;
};

// The three-way merge, ZIP by ZIP: the base is what the last import that spoke for the ZIP gave it
// (the record), else the shipped rows; the working copy's rows are the person's, the file's are the
// update; every list sorted (sortUnique). A ZIP the person touched (its rows differ from the base)
// keeps them and counts as kept where the file says otherwise; an untouched one takes the file's
// rows where the file speaks for it. A GeoNames dump speaks for every ZIP of the states it holds,
// so a ZIP of those states that it lacks goes; a CSV speaks only for the ZIPs it lists.
ImportPlan planImport(const std::vector<ZipRow> &shipped, const ImportRecord &record,
                      const std::vector<ZipRow> &current, const ZipDataFile &file);

// How many ZIPs the working copy has that the shipped data lacks, lacks that it has, and has with
// other rows.
struct ShippedDifferences {
    qsizetype added = 0;
    qsizetype deleted = 0;
    qsizetype changed = 0;
};
ShippedDifferences differencesFromShipped(const std::vector<ZipRow> &shipped, const std::vector<ZipRow> &current);

// What a person reads before saying yes: the counts and up to ten examples of each.
QString importSummary(const ZipDataFile &file, const ImportPlan &plan);
