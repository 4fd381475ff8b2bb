#pragma once

#include "ZipImport.h"

#include <optional>

class ZipStore;

// One import of a ZIP data file into the store, in the order a person meets it: the file read or
// refused, the shipped rows that are the merge's base, the plan and its summary, then the merge.
// The window's dropped file and the command line both drive it, each step where its own routine
// puts it. Every step but read() throws its failure.
class ImportSession
{
public:
    // Reads the file by the ZIP data rules. Returns why it cannot be imported, naming the file,
    // the line and the reason; empty when it can.
    QString read(const QString &path);
    // Reads the shipped rows from the pristine copy.
    void readShippedRows(const QString &pristineCopy);
    // Throws the store's refusal when it takes no import, before anything is made for one.
    static void requireImports(const ZipStore &store);
    // What importing would do now.
    ImportPlan plan(ZipStore &store) const;
    // What a person reads before saying yes.
    QString summary(const ImportPlan &plan) const;
    // What a person reads before confirming the plan's mass removals (ImportPlan::massRemovals),
    // the confirmation, and the refusal that apply() throws without it (MassRemovalRefusal).
    QString massRemovals(const ImportPlan &plan) const;
    void confirmMassRemoval();
    void requireConfirmedRemovals(const ImportPlan &plan) const;
    // The merge in one transaction; returns what it did.
    ImportPlan apply(ZipStore &store) const;

private:
    const ZipImport &import() const;

    ZipDataFile m_file;
    std::optional<ZipImport> m_import;
};
