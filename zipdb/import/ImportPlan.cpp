#include "ImportPlan.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <string>

namespace {

constexpr int kExamples = 10;

using StateSet = std::set<std::string, std::less<>>;

// Calls visit(zip, ranges) for every ZIP of any of the sorted lists, in ZIP order, with each
// list's rows of that ZIP.
template <size_t N, class Visit>
void forEachZip(const std::array<const PackedRows *, N> &lists, Visit &&visit)
{
    std::array<qsizetype, N> at{};
    for (;;) {
        std::optional<std::string_view> next;
        for (size_t i = 0; i < N; ++i)
            if (at[i] < lists[i]->size() && (!next || lists[i]->zip(at[i]) < *next))
                next = lists[i]->zip(at[i]);
        if (!next)
            return;
        std::array<RowRange, N> groups;
        for (size_t i = 0; i < N; ++i) {
            qsizetype end = at[i];
            while (end < lists[i]->size() && lists[i]->zip(end) == *next)
                ++end;
            groups[i] = {at[i], end - at[i]};
            at[i] = end;
        }
        visit(*next, groups);
    }
}

bool namesStateOf(const PackedRows &rows, RowRange range, const StateSet &states)
{
    for (qsizetype i = range.first; i < range.end(); ++i)
        if (states.contains(rows.state(i)))
            return true;
    return false;
}

// How many of the working copy's ZIPs name each state, and how many of them the import removes.
class StateTally
{
public:
    void count(const PackedRows &rows, RowRange zip, bool removed)
    {
        for (qsizetype i = zip.first; i < zip.end(); ++i) {
            const std::string_view state = rows.state(i);
            // A ZIP of several rows in one state counts once.
            bool counted = false;
            for (qsizetype earlier = zip.first; earlier < i && !counted; ++earlier)
                counted = rows.state(earlier) == state;
            if (counted)
                continue;
            Count &tally = m_counts[state];
            ++tally.had;
            tally.removed += removed;
        }
    }

    std::vector<StateRemoval> mostRemoved() const
    {
        std::vector<StateRemoval> states;
        for (const auto &[state, tally] : m_counts)
            if (tally.removed * 2 > tally.had)
                states.push_back({textOf(state), tally.removed, tally.had});
        return states;
    }

private:
    struct Count {
        qsizetype had = 0;
        qsizetype removed = 0;
    };
    std::map<std::string_view, Count> m_counts;
};

// The merge of one ZIP after another into the plan.
class Merge
{
public:
    Merge(const PackedRows &shipped, const PackedRows &record, const ZipDataFile &file, ImportPlan &plan)
        : m_shipped(shipped), m_record(record), m_file(file), m_plan(plan),
          m_completeForItsStates(file.format == ZipDataFile::Format::GeoNamesDump)
    {
        for (auto state = file.states.keyBegin(); state != file.states.keyEnd(); ++state)
            m_fileStates.insert(state->toStdString());
    }

    void zip(std::string_view zip, const std::array<RowRange, 4> &groups)
    {
        const std::optional<ZipOutcome> outcome = outcomeOf(zip, groups);
        m_states.count(m_plan.current, groups[2], outcome == ZipOutcome::Removed);
        if (outcome)
            m_plan.changes.push_back({*outcome, textOf(zip), groups[2], groups[3]});
    }

    std::vector<StateRemoval> mostRemoved() const { return m_states.mostRemoved(); }

private:
    std::optional<ZipOutcome> outcomeOf(std::string_view zip, const std::array<RowRange, 4> &groups);

    const PackedRows &m_shipped;
    const PackedRows &m_record;
    const ZipDataFile &m_file;
    ImportPlan &m_plan;
    const bool m_completeForItsStates;
    StateSet m_fileStates;
    StateTally m_states;
};

std::optional<ZipOutcome> Merge::outcomeOf(std::string_view zip, const std::array<RowRange, 4> &groups)
{
    const auto &[shippedRows, recorded, yours, imported] = groups;
    const PackedRows &current = m_plan.current;
    const bool hasRecord = !recorded.empty();
    // A ZIP an import removed is recorded as one row without city and state: no rows.
    const bool recordedRemoval = recorded.count == 1 && m_record.city(recorded.first).empty();
    const PackedRows &baseRows = hasRecord ? m_record : m_shipped;
    const RowRange base = hasRecord ? (recordedRemoval ? RowRange{} : recorded) : shippedRows;
    const bool speaks = !imported.empty()
        || (m_completeForItsStates
            && (namesStateOf(baseRows, base, m_fileStates) || namesStateOf(current, yours, m_fileStates)));
    if (!speaks)
        return std::nullopt;
    // Where the person's rows are the file's, or the person's own are kept, the file's rows
    // still become the base: the next file's changes are measured against them.
    const bool shippedAgain = sameRows(m_file.rows, imported, m_shipped, shippedRows);
    if (shippedAgain ? hasRecord : !hasRecord || !sameRows(m_record, base, m_file.rows, imported))
        m_plan.record.push_back({textOf(zip), shippedAgain ? std::nullopt : std::optional(imported)});
    if (sameRows(current, yours, m_file.rows, imported))
        return std::nullopt;
    if (!sameRows(current, yours, baseRows, base))
        return ZipOutcome::Kept;
    if (yours.empty())
        return ZipOutcome::Added;
    if (imported.empty())
        return ZipOutcome::Removed;
    return ZipOutcome::Renamed;
}

QString namesOf(const PackedRows &rows, RowRange range)
{
    if (range.empty())
        return QStringLiteral("none");
    QStringList names;
    for (qsizetype i = range.first; i < range.end(); ++i)
        names.append(textOf(rows.city(i)) + QStringLiteral(", ") + textOf(rows.state(i)));
    return names.join(QStringLiteral(" / "));
}

QString example(const ZipChange &change, const PackedRows &current, const PackedRows &imported)
{
    const QString yours = namesOf(current, change.current);
    const QString files = namesOf(imported, change.imported);
    switch (change.outcome) {
    case ZipOutcome::Added:
        return change.zip + QLatin1Char(' ') + files;
    case ZipOutcome::Removed:
        return change.zip + QLatin1Char(' ') + yours;
    case ZipOutcome::Renamed:
        return change.zip + QLatin1Char(' ') + yours + QStringLiteral(" -> ") + files;
    case ZipOutcome::Kept:
        break;
    }
    return change.zip + QStringLiteral(" (yours: ") + yours + QStringLiteral("; the file's: ") + files + QLatin1Char(')');
}

PackedRows packedSorted(const std::vector<ZipRow> &rows)
{
    PackedRows packed;
    for (const ZipRow &row : rows)
        packed.append(row.zip, row.city, row.state);
    packed.sort();
    return packed;
}

} // namespace

qsizetype ImportPlan::count(ZipOutcome outcome) const
{
    return std::ranges::count(changes, outcome, &ZipChange::outcome);
}

ImportPlan planImport(const PackedRows &shipped, const PackedRows &record, PackedRows current, const ZipDataFile &file)
{
    ImportPlan plan;
    plan.current = std::move(current);
    Merge merge(shipped, record, file, plan);
    forEachZip<4>({&shipped, &record, &plan.current, &file.rows},
                  [&](std::string_view zip, const std::array<RowRange, 4> &groups) { merge.zip(zip, groups); });
    plan.massRemovals = merge.mostRemoved();
    return plan;
}

ShippedDifferences differencesFromShipped(const std::vector<ZipRow> &shipped, const std::vector<ZipRow> &current)
{
    const PackedRows base = packedSorted(shipped);
    const PackedRows yours = packedSorted(current);
    ShippedDifferences differences;
    forEachZip<2>({&base, &yours}, [&](std::string_view, const std::array<RowRange, 2> &groups) {
        if (groups[0].empty())
            ++differences.added;
        else if (groups[1].empty())
            ++differences.deleted;
        else if (!sameRows(base, groups[0], yours, groups[1]))
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
                examples.append(example(change, plan.current, file.rows));
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

QString massRemovalText(const ZipDataFile &file, const ImportPlan &plan)
{
    QStringList states;
    for (const StateRemoval &state : plan.massRemovals) {
        const LineRange lines = file.states.value(state.state);
        const QString named = lines.first == 0 ? QStringLiteral("which the file does not name")
            : lines.first == lines.last
            ? QStringLiteral("which the file names on line %1 only").arg(lines.first)
            : QStringLiteral("which the file names on lines %1 to %2 only").arg(lines.first).arg(lines.last);
        states.append(QStringLiteral("%1 of the %2 ZIPs of %3, %4")
                          .arg(state.removed)
                          .arg(state.had)
                          .arg(state.state, named));
    }
    return QStringLiteral("%1 would remove %2: more than half of a state's ZIPs, as a file cut short would.")
        .arg(file.name, states.join(QStringLiteral("; ")));
}
