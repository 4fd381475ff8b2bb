#pragma once

#include "ZipDataFile.h"

#include <vector>

class ZipConnection;

// What an import does to one ZIP.
enum class ZipOutcome { Added, Removed, Renamed, Kept };

struct ZipChange {
    ZipOutcome outcome;
    QString zip;
    // The working copy's rows of the ZIP, and the file's (none when the file removes it).
    std::vector<ZipRow> current;
    std::vector<ZipRow> imported;
};

struct ImportPlan {
    // Every ZIP the import adds, removes, renames or keeps against the file, in ZIP order.
    std::vector<ZipChange> changes;

    qsizetype count(ZipOutcome outcome) const;
};

// The three-way merge, ZIP by ZIP: the shipped rows are the base, the working copy's are the
// person's, the file's are the update; every list sorted (sortUnique). A ZIP the person touched
// (its rows differ from the shipped ones) keeps them and counts as kept where the file says
// otherwise; an untouched one takes the file's rows where the file speaks for it. A GeoNames dump
// speaks for every ZIP of the states it holds, so a ZIP of those states that it lacks goes; a CSV
// speaks only for the ZIPs it lists.
ImportPlan planImport(const std::vector<ZipRow> &shipped, const std::vector<ZipRow> &current,
                      const ZipDataFile &file);

// How many ZIPs the working copy has that the shipped data lacks, lacks that it has, and has with
// other rows.
struct ShippedDifferences {
    qsizetype added = 0;
    qsizetype deleted = 0;
    qsizetype changed = 0;
};
ShippedDifferences differencesFromShipped(const std::vector<ZipRow> &shipped, const std::vector<ZipRow> &current);

// One import of a file that was not refused into the working copy.
class ZipImport
{
public:
    ZipImport(ZipDataFile file, const QString &pristine);

    const ZipDataFile &file() const { return m_file; }
    // What importing would do now.
    ImportPlan plan(const ZipConnection &working) const;
    // Plans again under the working copy's write lock and writes the changes and the import's
    // provenance in one transaction: a crash leaves the old rows or the new ones, and another
    // instance's edit between plan() and apply() is never lost. Returns what it did.
    ImportPlan apply(ZipConnection &working) const;
    // What a person reads before saying yes: the counts and up to ten examples of each.
    QString summary(const ImportPlan &plan) const;

private:
    ZipDataFile m_file;
    std::vector<ZipRow> m_shipped;
};
