#include "SearchCommands.h"

#include "Dialogs.h"
#include "FormRoutine.h"
#include "ResultsModel.h"
#include "WindowPointer.h"
#include "ZipCursor.h"
#include "ZipRow.h"
#include "ZipSession.h"
#include "ZipStore.h"

#include <QLineEdit>

#include <memory>

void SearchCommands::search()
{
    if (m_pointer.isBusy())
        return;
    Routine r = formRoutine(m_dialogs, QStringLiteral("PushButton1_Click"));
    std::unique_ptr<ZipCursor> rows;
    ResultsModel::Appender list(m_results);
    r.step(100, [&] { m_pointer.set(WindowPointer::Busy); });
    r.step(102, [&] { m_results.clear(); });
    r.step(106, [&] { rows = m_zipSession.store().search(m_searchBox.text()); });
    while (rows && r.test(108, [&] { return !rows->atEnd(); })) {
        r.step(110, [&] { list.addRow(rows->utf8Text(ZipCodeColumn)); });
        r.step(112, [&] { list.lastRow().city = rows->utf8Text(CityColumn); });
        r.step(114, [&] { list.lastRow().state = rows->utf8Text(StateColumn); });
        r.step(116, [&] { rows->moveNext(); });
    }
    list.commit(); // every row read shows, in one insertion
    r.step(118, [&] { rows.reset(); });
    r.step(120, [&] { m_pointer.set(WindowPointer::Default); });
}

void SearchCommands::loadSampleSearch()
{
    if (m_pointer.isBusy())
        return;
    Routine r = formRoutine(m_dialogs, QStringLiteral("PushButton7_Click"));
    r.step(100, [&] { m_searchBox.setText(QStringLiteral("3053")); });
    r.step(100, [&] { search(); });
}

void SearchCommands::showSearchHint()
{
    Routine r = formRoutine(m_dialogs, QStringLiteral("PushButton8_Click"));
    r.step(100, [&] {
        m_dialogs.messageBox(QStringLiteral("Enter 5-digit zip code or part of the 5 digit zip code here."),
                             Dialogs::OkOnly);
    });
}

void SearchCommands::clearList()
{
    Routine r = formRoutine(m_dialogs, QStringLiteral("PushButton9_Click"));
    r.step(100, [&] {
        if (!m_pointer.isBusy())
            m_results.clear();
    });
}

void SearchCommands::tickAll()
{
    tickEveryRow(QStringLiteral("mnuTickAll_Click"), true);
}

void SearchCommands::untickAll()
{
    tickEveryRow(QStringLiteral("mnuUntickAll_Click"), false);
}

void SearchCommands::tickEveryRow(const QString &label, bool ticked)
{
    // An export reads the ticks as it walks the list.
    if (m_pointer.isBusy())
        return;
    Routine r = formRoutine(m_dialogs, label);
    r.step(100, [&] { m_results.setAllTicked(ticked); });
}
