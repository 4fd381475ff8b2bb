#include "ListCommands.h"

#include "DataFolder.h"
#include "DeviceWrite.h"
#include "FormRoutine.h"
#include "ListCsvWriter.h"
#include "ListLookup.h"
#include "ListReader.h"
#include "Platform.h"
#include "ResultsModel.h"
#include "WindowPointer.h"
#include "ZipCell.h"
#include "ZipIndex.h"
#include "ZipRow.h"
#include "ZipSession.h"

#include <QAbstractItemView>
#include <QBuffer>
#include <QFile>
#include <QSaveFile>

#include <functional>
#include <optional>

namespace {

const QString kListFilter = QStringLiteral("Lists (*.csv *.tsv *.txt *.xlsx);;All Files (*)");
const QString kCsvFilter = QStringLiteral("CSV Files (*.csv);;All Files (*)");

// As a spreadsheet puts cells on the clipboard and takes them back: tabs between, quotes only
// around a cell that holds a tab, a quote or a line break.
ListFormat spreadsheetCells()
{
    ListFormat format;
    format.separator = '\t';
    format.crLf = true;
    return format;
}

// The byte-order mark makes a spreadsheet on Windows read the file as UTF-8.
ListFormat spreadsheetFile()
{
    ListFormat format;
    format.byteOrderMark = true;
    format.crLf = true;
    return format;
}

QString nameOf(QStringView city, QStringView state)
{
    return city.toString().append(QStringLiteral(", ")).append(state);
}

// A search lists each of a ZIP's names as a row of its own: the others are all its names but the
// row's, in the order the index keeps them.
QString otherNamesThan(const ZipIndex &index, int zip, QStringView city, QStringView state)
{
    const QStringView first = index.factView(zip, ZipIndex::City);
    const QStringView firstState = index.factView(zip, ZipIndex::State);
    const QStringView others = index.factView(zip, ZipIndex::OtherNames);
    if (city == first && state == firstState)
        return others.toString();
    QStringList names{nameOf(first, firstState)};
    for (const QStringView name : others.split(QStringLiteral("; "), Qt::SkipEmptyParts))
        names.append(name.toString());
    names.removeAll(nameOf(city, state));
    return names.join(QStringLiteral("; "));
}

} // namespace

void ListCommands::pasteZips()
{
    if (m_pointer.isBusy())
        return;
    Routine r = formRoutine(m_platform, QStringLiteral("mnuPasteZips_Click"));
    QByteArray pasted;
    if (!r.step(100, [&] { pasted = m_platform.clipboardText().toUtf8(); }))
        return;
    listLookedUp(r, QStringLiteral("The clipboard"), [&] {
        auto buffer = std::make_unique<QBuffer>(&pasted);
        buffer->open(QIODevice::ReadOnly);
        return std::unique_ptr<QIODevice>(std::move(buffer));
    });
}

void ListCommands::lookUpListFile()
{
    if (m_pointer.isBusy())
        return;
    Routine r = formRoutine(m_platform, QStringLiteral("mnuLookUpList_Click"));
    QString path;
    r.step(100, [&] { path = m_platform.openFileName(QStringLiteral("Look Up A List"), kListFilter); });
    if (path.isEmpty())
        return;
    listLookedUp(r, path, [&] { return std::unique_ptr<QIODevice>(openListFile(path)); });
}

void ListCommands::listLookedUp(Routine &r, const QString &name, const ListSource &source)
{
    LookupCounts counts;
    std::optional<QString> refusal;
    r.step(110, [&] { m_pointer.set(WindowPointer::Busy); });
    const bool filled = r.step(112, [&] {
        try {
            counts = fillList(name, source);
        } catch (const ListRefusal &why) {
            refusal = QString::fromUtf8(why.what());
        }
    });
    r.step(114, [&] { m_pointer.set(WindowPointer::Default); });
    if (refusal)
        r.step(116, [&] { m_platform.messageBox(*refusal + u'.', Platform::OkOnly); });
    else if (filled)
        r.step(118, [&] { m_platform.messageBox(counts.summary() + u'.', Platform::OkOnly); });
}

LookupCounts ListCommands::fillList(const QString &name, const ListSource &source)
{
    const ZipIndex index(m_zipSession.store());
    const std::unique_ptr<QIODevice> device = source();
    const std::unique_ptr<ListReader> reader = ListReader::open(*device, name);
    ListLookup lookup(*reader, QString());
    const int column = lookup.column().column;
    ResultsModel::Appender list(m_results);
    // A row a record, whatever it holds, so the rows stay beside the person's own.
    const LookupCounts counts = lookup.forEachRecord(index, [&](std::optional<int> zip, ZipMatch match) {
        m_platform.yieldInLoop();
        if (match == ZipMatch::Found)
            list.addRow(zipText(*zip), index.factView(*zip, ZipIndex::City), index.factView(*zip, ZipIndex::State));
        else
            list.addRow(reader->text(column));
    });
    m_results.clear();
    list.commit();
    m_results.setAllTicked(true);
    return counts;
}

void ListCommands::copyForSpreadsheet()
{
    if (m_pointer.isBusy())
        return;
    Routine r = formRoutine(m_platform, QStringLiteral("mnuCopyForSpreadsheet_Click"));
    QBuffer cells;
    r.step(100, [&] { m_pointer.set(WindowPointer::Busy); });
    const bool written = r.step(102, [&] {
        cells.open(QIODevice::WriteOnly);
        ListCsvWriter out(cells, spreadsheetCells());
        writeTickedRows(out);
    });
    if (written)
        r.step(104, [&] {
            m_platform.clipboardClear();
            m_platform.clipboardSetText(QString::fromUtf8(cells.data()));
        });
    r.step(106, [&] { m_pointer.set(WindowPointer::Default); });
}

void ListCommands::saveForSpreadsheet()
{
    if (m_pointer.isBusy())
        return;
    Routine r = formRoutine(m_platform, QStringLiteral("mnuSaveForSpreadsheet_Click"));
    QString path;
    r.step(100, [&] { path = m_platform.saveFileName(QStringLiteral("Save For Spreadsheet"), kCsvFilter); });
    if (path.isEmpty())
        return;
    Platform::BoxAnswer answer = Platform::Yes;
    if (r.test(102, [&] { return fileExists(path); }))
        r.step(104, [&] {
            answer = m_platform.messageBox(QStringLiteral("Are you sure you wish to overwrite ") + path
                                               + QStringLiteral(" ?"),
                                           Platform::YesNo);
        });
    if (answer != Platform::Yes)
        return;
    r.step(106, [&] { m_pointer.set(WindowPointer::Busy); });
    const bool saved = r.step(108, [&] {
        QSaveFile file(path);
        openForWriting(file);
        ListCsvWriter out(file, spreadsheetFile());
        writeTickedRows(out);
        commitAll(file);
    });
    r.step(110, [&] { m_pointer.set(WindowPointer::Default); });
    if (saved)
        r.step(112, [&] { m_platform.messageBox(QStringLiteral("Done."), Platform::OkOnly); });
}

// The header, then each ticked row in the list's order: its ZIP, city and state as listed, the
// index's other facts where the ZIP is found, how it matched, and its miles after "ZIPs Near…".
void ListCommands::writeTickedRows(ListCsvWriter &out)
{
    const ZipIndex index(m_zipSession.store());
    const bool withMiles = m_results.hasMiles();
    out.addText(QStringLiteral("ZIP"));
    for (const QString &name : ListLookup::addedColumnNames())
        out.addText(name);
    if (withMiles)
        out.addText(QStringLiteral("Miles"));
    out.endRecord();
    for (int row = 0; row < m_results.rowCount(); ++row) {
        m_platform.yieldInLoop();
        if (!m_results.ticked(row))
            continue;
        const QStringView zipCell = m_results.cellView(row, ZipCodeColumn);
        const QStringView city = m_results.cellView(row, CityColumn);
        const QStringView state = m_results.cellView(row, StateColumn);
        const std::optional<int> zip = zipInCell(zipCell);
        const ZipMatch match = index.match(zip);
        out.addText(zipCell);
        for (int fact = 0; fact < ZipIndex::FactCount; ++fact) {
            switch (fact) {
            case ZipIndex::City:
                out.addText(city);
                break;
            case ZipIndex::State:
                out.addText(state);
                break;
            case ZipIndex::OtherNames:
                out.addText(match == ZipMatch::Found ? otherNamesThan(index, *zip, city, state) : QString());
                break;
            default:
                out.addText(match == ZipMatch::Found ? index.factView(*zip, ZipIndex::Fact(fact)) : QStringView());
            }
        }
        out.addText(matchText(match));
        if (withMiles) {
            const std::optional<double> miles = m_results.miles(row);
            out.addText(miles ? QString::number(*miles, 'f', 2) : QString());
        }
        out.endRecord();
    }
    out.flush();
}
