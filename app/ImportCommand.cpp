#include "ImportCommand.h"

#include "FirstStart.h"
#include "ImportSession.h"
#include "StandardStream.h"
#include "StoreLocations.h"
#include "ZipSession.h"
#include "ZipStore.h"

#include <QTextStream>

#include <cstdio>
#include <stdexcept>

namespace {

bool personSaysYes(StandardStream &out)
{
    out << QLatin1String("\nImport? [y/N] ");
    out.flush();
    const QString answer = QTextStream(stdin).readLine().trimmed();
    return answer.compare(u"y", Qt::CaseInsensitive) == 0 || answer.compare(u"yes", Qt::CaseInsensitive) == 0;
}

QString doneLine(const ImportPlan &done)
{
    return QStringLiteral("Imported: %1 added, %2 removed, %3 renamed, %4 kept as you changed them.\n")
        .arg(done.count(ZipOutcome::Added))
        .arg(done.count(ZipOutcome::Removed))
        .arg(done.count(ZipOutcome::Renamed))
        .arg(done.count(ZipOutcome::Kept));
}

} // namespace

ExitStatus importFile(const StoreLocations &locations, const QString &path, const ImportChoices &choices,
                      StandardStream &out)
{
    ImportSession import;
    if (const QString refusal = import.read(path); !refusal.isEmpty())
        throw std::runtime_error(refusal.toStdString());
    ZipSession session;
    session.create(locations);
    ImportSession::requireImports(session.store());
    prepareFirstStart(locations);
    session.store().open();
    import.readShippedRows(locations.pristineCopy);
    if (choices.allowingRemovals)
        import.confirmMassRemoval();
    const ImportPlan plan = import.plan(session.store());
    try {
        import.requireConfirmedRemovals(plan);
    } catch (const MassRemovalRefusal &refusal) {
        throw std::runtime_error(refusal.what() + std::string(" --allow-removals imports it all the same."));
    }
    // Written before anything is imported: an output that cannot take the summary ends the
    // command with the working copy unchanged.
    out << import.summary(plan);
    if (choices.withoutAsking)
        out << '\n';
    out.flush();
    if (!choices.withoutAsking && !personSaysYes(out)) {
        out << QLatin1String("Nothing imported.\n");
        return ExitStatus::NothingDone;
    }
    out << doneLine(import.apply(session.store()));
    return ExitStatus::Done;
}
