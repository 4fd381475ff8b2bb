#include "ImportPlan.h"

#include <algorithm>
#include <array>
#include <span>

namespace {

constexpr int kExamples = 10;

using Rows = std::span<const ZipRow>;

// Calls visit(zip, groups) for every ZIP of any of the sorted lists, in ZIP order, with each
// list's rows of that ZIP.
template <size_t N, class Visit>
void forEachZip(const std::array<const std::vector<ZipRow> *, N> &lists, Visit &&visit)
{
    std::array<size_t, N> at{};
    for (;;) {
        const QString *next = nullptr;
        for (size_t i = 0; i < N; ++i)
            if (at[i] < lists[i]->size() && (!next || (*lists[i])[at[i]].zip < *next))
                next = &(*lists[i])[at[i]].zip;
        if (!next)
            return;
        const QString zip = *next;
        std::array<Rows, N> groups;
        for (size_t i = 0; i < N; ++i) {
            size_t end = at[i];
            while (end < lists[i]->size() && (*lists[i])[end].zip == zip)
                ++end;
            groups[i] = Rows(lists[i]->data() + at[i], end - at[i]);
            at[i] = end;
        }
        visit(zip, groups);
    }
}

bool same(Rows some, Rows others)
{
    return std::ranges::equal(some, others);
}

bool namesStateOf(Rows rows, const QSet<QString> &states)
{
    return std::ranges::any_of(rows, [&](const ZipRow &row) { return states.contains(row.state); });
}

QString namesOf(Rows rows)
{
    if (rows.empty())
        return QStringLiteral("none");
    QStringList names;
    for (const ZipRow &row : rows)
        names.append(row.city + QStringLiteral(", ") + row.state);
    return names.join(QStringLiteral(" / "));
}

QString example(const ZipChange &change)
{
    switch (change.outcome) {
    case ZipOutcome::Added:
        return change.zip + QLatin1Char(' ') + namesOf(change.imported);
    case ZipOutcome::Removed:
        return change.zip + QLatin1Char(' ') + namesOf(change.current);
    case ZipOutcome::Renamed:
        return change.zip + QLatin1Char(' ') + namesOf(change.current) + QStringLiteral(" -> ")
            + namesOf(change.imported);
    case ZipOutcome::Kept:
        break;
    }
    return change.zip + QStringLiteral(" (yours: ") + namesOf(change.current) + QStringLiteral("; the file's: ")
        + namesOf(change.imported) + QLatin1Char(')');
}

} // namespace


qsizetype ImportPlan::count(ZipOutcome outcome) const
{
    return std::ranges::count(changes, outcome, &ZipChange::outcome);
}

ImportPlan planImport(const std::vector<ZipRow> &shipped, const ImportRecord &record,
                      const std::vector<ZipRow> &current, const ZipDataFile &file)
{
    const bool completeForItsStates = file.format == ZipDataFile::Format::GeoNamesDump;
    ImportPlan plan;
    forEachZip<4>({&shipped, &record.rows, &current, &file.rows}, [&](const QString &zip, const std::array<Rows, 4> &groups) {
        const auto &[shippedRows, recorded, yours, imported] = groups;
        const bool hasRecord = record.zips.contains(zip);
        const Rows base = hasRecord ? recorded : shippedRows;
        const bool speaks = !imported.empty()
            || (completeForItsStates && (namesStateOf(base, file.states) || namesStateOf(yours, file.states)));
        if (!speaks)
            return;
        // Where the person's rows are the file's, or the person's own are kept, the file's rows
        // still become the base: the next file's changes are measured against them.
        const bool shippedAgain = same(imported, shippedRows);
        if (shippedAgain ? hasRecord : !hasRecord || !same(recorded, imported))
            plan.record.push_back({zip, shippedAgain ? std::nullopt
                                                     : std::optional(std::vector<ZipRow>(imported.begin(), imported.end()))});
        if (same(yours, imported))
            return;
        ZipOutcome outcome = ZipOutcome::Renamed;
        if (!same(yours, base))
            outcome = ZipOutcome::Kept;
        else if (yours.empty())
            outcome = ZipOutcome::Added;
        else if (imported.empty())
            outcome = ZipOutcome::Removed;
        plan.changes.push_back(
            {outcome, zip, {yours.begin(), yours.end()}, {imported.begin(), imported.end()}});
    });
    return plan;
}

ShippedDifferences differencesFromShipped(const std::vector<ZipRow> &shipped, const std::vector<ZipRow> &current)
{
    ShippedDifferences differences;
    forEachZip<2>({&shipped, &current}, [&](const QString &, const std::array<Rows, 2> &groups) {
        const auto &[base, yours] = groups;
        if (base.empty())
            ++differences.added;
        else if (yours.empty())
            ++differences.deleted;
        else if (!same(base, yours))
            ++differences.changed;
    });
    return differences;
}

QString importSummary(const ZipDataFile &file, const ImportPlan &plan)
{
    const QString kind = file.format == ZipDataFile::Format::GeoNamesDump
        ? QStringLiteral("A GeoNames postal-code dump of %1 rows for %2 states and territories: a ZIP of those that "
                         "it lacks goes; the ZIPs of other states stay as they are.")
              .arg(file.rows.size())
              .arg(file.states.size())
        : QStringLiteral("A CSV of %1 rows: only the ZIPs it lists change.").arg(file.rows.size());
    QStringList lines{QStringLiteral("Import %1?").arg(file.name), kind, QString(),
                      QStringLiteral("%1 added, %2 removed, %3 renamed, %4 kept as you changed them.")
                          .arg(plan.count(ZipOutcome::Added))
                          .arg(plan.count(ZipOutcome::Removed))
                          .arg(plan.count(ZipOutcome::Renamed))
                          .arg(plan.count(ZipOutcome::Kept))};
    const std::pair<ZipOutcome, QString> headings[] = {{ZipOutcome::Added, QStringLiteral("Added")},
                                                       {ZipOutcome::Removed, QStringLiteral("Removed")},
                                                       {ZipOutcome::Renamed, QStringLiteral("Renamed")},
                                                       {ZipOutcome::Kept, QStringLiteral("Kept as you changed them")}};
    for (const auto &[outcome, heading] : headings) {
        QStringList examples;
        for (const ZipChange &change : plan.changes)
            if (change.outcome == outcome && examples.size() < kExamples)
                examples.append(example(change));
        if (examples.isEmpty())
            continue;
        const qsizetype more = plan.count(outcome) - examples.size();
        if (more > 0)
            examples.append(QStringLiteral("and %1 more").arg(more));
        lines << QString() << heading + QStringLiteral(": ") + examples.join(QStringLiteral("; "));
    }
    lines << QString()
          << QStringLiteral("What you added, deleted or changed yourself stays as it is. \"Reset Database To "
                            "Original\" still brings back the shipped data, without this import.");
    return lines.join(u'\n');
}
