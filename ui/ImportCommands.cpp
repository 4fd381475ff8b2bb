#include "ImportCommands.h"

#include "AppInfo.h"
#include "DataFolder.h"
#include "FormRoutine.h"
#include "Platform.h"
#include "Provenance.h"
#include "ResultsModel.h"
#include "SearchCommands.h"
#include "ImportSession.h"
#include "ShippedCopy.h"
#include "WindowPointer.h"
#include "ZipRows.h"
#include "ZipSession.h"
#include "ZipStore.h"

namespace {

const QString kImportTitle = QStringLiteral("Import ZIP Data");

QString aboutText(ZipStore &store, const QString &pristine)
{
    const ShippedCopy shipped(pristine);
    const std::vector<ZipRow> rows = readZipRows(store);
    const ShippedDifferences differences = differencesFromShipped(shipped.rows(), rows);
    QStringList lines{appinfo::kDisplayName + QLatin1Char(' ') + appinfo::kVersion, QString()};
    lines += describeData(shipped.sources(), store.provenance());
    lines << QString()
          << QStringLiteral("The database holds %1 rows. ZIPs added, deleted or changed against the shipped data: "
                            "%2 added, %3 deleted, %4 changed.")
                 .arg(rows.size())
                 .arg(differences.added)
                 .arg(differences.deleted)
                 .arg(differences.changed)
          << QString()
          << QStringLiteral("ZIP data from GeoNames (https://www.geonames.org/), licensed under Creative Commons "
                            "Attribution 4.0 (https://creativecommons.org/licenses/by/4.0/). Territory ZIPs from the "
                            "npm package zipcodes, Copyright (c) 2007 Dav Glass, BSD licence.");
    return lines.join(u'\n');
}

} // namespace

void ImportCommands::showAbout()
{
    if (m_pointer.isBusy())
        return;
    Routine r = formRoutine(m_platform, QStringLiteral("Form_KeyDown"));
    QString text;
    if (!r.step(100, [&] { text = aboutText(m_zipSession.store(), paths::pristineCopy(m_platform)); }))
        return;
    r.step(102, [&] { m_platform.messageBox(text, Platform::OkOnly, QStringLiteral("About Quillmap")); });
}

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
    r.step(108, [&] { answer = m_platform.messageBox(import.summary(plan), Platform::YesNo, kImportTitle); });
    if (answer != Platform::Yes)
        return;
    r.step(110, [&] { m_pointer.set(WindowPointer::Busy); });
    r.step(112, [&] { import.apply(m_zipSession.store()); });
    r.step(114, [&] { m_pointer.set(WindowPointer::Default); });
    if (r.test(116, [&] { return m_results.rowCount() > 0; }))
        r.step(118, [&] { m_search.search(); });
}
