#include "ImportCommands.h"

#include "DataFolder.h"
#include "FormRoutine.h"
#include "ImportSession.h"
#include "Platform.h"
#include "ResultsModel.h"
#include "SearchCommands.h"
#include "WindowPointer.h"
#include "ZipSession.h"

namespace {

const QString kImportTitle = QStringLiteral("Import ZIP Data");

} // namespace

void ImportCommands::importDroppedFile(const QString &path)
{
    if (m_pointer.isBusy())
        return;
    Routine r = formRoutine(m_platform, QStringLiteral("Form_OLEDragDrop"));
    ImportSession import;
    QString refusal;
    ImportPlan plan;
    int answer = Platform::No;
    if (!r.step(100, [&] { refusal = import.read(path); }))
        return;
    if (!refusal.isEmpty()) {
        r.step(102, [&] { m_platform.messageBox(refusal, Platform::Exclamation, kImportTitle); });
        return;
    }
    if (!r.step(104, [&] { import.readShippedRows(paths::pristineCopy(m_platform)); }))
        return;
    if (!r.step(106, [&] { plan = import.plan(m_zipSession.store()); }))
        return;
    r.step(108, [&] { answer = askToImport(import, plan); });
    plan = {}; // the merge plans again under the write lock
    if (answer != Platform::Yes)
        return;
    r.step(110, [&] { m_pointer.set(WindowPointer::Busy); });
    r.step(112, [&] { import.apply(m_zipSession.store()); });
    r.step(114, [&] { m_pointer.set(WindowPointer::Default); });
    if (r.test(116, [&] { return m_results.rowCount() > 0; }))
        r.step(118, [&] { m_search.search(); });
}

// A file cut short would pass on the summary's yes alone: the removal of most of a state's ZIPs
// takes a second one, naming how many go.
int ImportCommands::askToImport(ImportSession &import, const ImportPlan &plan)
{
    const int answer = m_platform.messageBox(import.summary(plan), Platform::YesNo, kImportTitle);
    if (answer != Platform::Yes || plan.massRemovals.empty())
        return answer;
    const QString question = QStringLiteral("%1\n\nImport it all the same, removing %2 ZIPs?")
                                 .arg(import.massRemovals(plan))
                                 .arg(plan.count(ZipOutcome::Removed));
    if (m_platform.messageBox(question, Platform::YesNo, kImportTitle) != Platform::Yes)
        return Platform::No;
    import.confirmMassRemoval();
    return Platform::Yes;
}
