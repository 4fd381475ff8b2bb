#pragma once

#include "ZipDataFile.h"

#include <optional>
#include <stdexcept>
#include <vector>

// What an import does to one ZIP.
enum class ZipOutcome { Added, Removed, Renamed, Kept };

struct ZipChange {
    ZipOutcome outcome;
    QString zip;
    // The working copy's rows of the ZIP, among the plan's current rows, and the file's, among the
    // file's rows (none when the file removes it).
    RowRange current;
    RowRange imported;
};

// A ZIP whose record the import changes.
struct RecordChange {
    QString zip;
    // The file's rows of the ZIP, among the file's rows: its base for the next import; none when
    // they are the shipped rows, which then are its base again. An empty range: the file removes it.
    std::optional<RowRange> imported;
};

// A state of which the import would remove more than half the ZIPs the working copy has: what a
// dump cut short does. More than half, so that a real dump, which renames and retires a few ZIPs a
// year, never meets it.
struct StateRemoval {
    QString state;
    qsizetype removed = 0;
    qsizetype had = 0;
};

struct ImportPlan {
    // Every ZIP the import adds, removes, renames or keeps against the file, in ZIP order.
    std::vector<ZipChange> changes;
    // Every ZIP the file speaks for whose record it changes, kept ZIPs and ZIPs where the person's
    // rows are the file's included: the file's rows are the base of the next import.
    std::vector<RecordChange> record;
    std::vector<StateRemoval> massRemovals;
    // The working copy's rows the plan was made from, with their rowids, sorted.
    PackedRows current{PackedRows::Ids::Kept};

    qsizetype count(ZipOutcome outcome) const;
};

// Why an import was not written: it would remove most of a state's ZIPs and nobody confirmed it.
class MassRemovalRefusal : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The three-way merge, ZIP by ZIP: the base is what the last import that spoke for the ZIP gave it
// (the record), else the shipped rows; the working copy's rows are the person's, the file's are the
// update. Every list is sorted, the file's rows and the record also made unique (sortUnique()). In
// the record a ZIP an import removed has one row with an empty city and state. A ZIP the person
// touched (its rows differ from the base) keeps them and counts as kept where the file says
// otherwise; an untouched one takes the file's rows where the file speaks for it. A GeoNames dump
// speaks for every ZIP of the states it holds, so a ZIP of those states that it lacks goes; a CSV
// speaks only for the ZIPs it lists.
ImportPlan planImport(const PackedRows &shipped, const PackedRows &record, PackedRows current, const ZipDataFile &file);

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
// The plan's mass removals: for each such state the ZIPs removed, the ZIPs it had and the lines
// of the file that name it.
QString massRemovalText(const ZipDataFile &file, const ImportPlan &plan);
