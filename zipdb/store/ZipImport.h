#pragma once

#include "ImportPlan.h"

class ZipConnection;

// The record the working copy holds, sorted and unique; empty when it has no record table.
PackedRows readImportRecord(const ZipConnection &working);

// One import of a file that was not refused into the working copy.
class ZipImport
{
public:
    ZipImport(ZipDataFile file, const QString &pristine);

    // The person's explicit yes to an import that removes more than half of a state's ZIPs.
    void confirmMassRemoval() { m_massRemovalConfirmed = true; }
    // What importing would do now.
    ImportPlan plan(const ZipConnection &working) const;
    // Plans again under the working copy's write lock and writes the changes, the places the file
    // gives for the ZIPs it adds or renames, the record and the import's provenance in one
    // transaction: a crash leaves the old rows or the new ones, and another
    // instance's edit between plan() and apply() is never lost. Returns what it did. Refuses
    // unconfirmed mass removals (requireConfirmedRemovals()) before it writes anything.
    ImportPlan apply(ZipConnection &working) const;
    // What a person reads before saying yes: the counts and up to ten examples of each.
    QString summary(const ImportPlan &plan) const;
    // What a person reads before confirming the plan's mass removals.
    QString massRemovals(const ImportPlan &plan) const;
    // Throws a MassRemovalRefusal when the plan has mass removals that were not confirmed.
    void requireConfirmedRemovals(const ImportPlan &plan) const;

private:
    ZipDataFile m_file;
    PackedRows m_shipped;
    bool m_massRemovalConfirmed = false;
};
