#pragma once

#include <QString>

#include <functional>
#include <memory>

class ListCsvWriter;
class Platform;
class QAbstractItemView;
class QIODevice;
class ResultsModel;
class Routine;
class WindowPointer;
class ZipSession;
struct LookupCounts;

// A person's own list of ZIPs in the results list and back out of it: pasted from the clipboard
// or read from a file, one row a line in their order, and copied or saved with each ZIP's facts
// as a spreadsheet takes them. Each a routine of numbered steps through the failure handler; each
// does nothing while the pointer is busy.
class ListCommands
{
public:
    ListCommands(Platform &platform, ZipSession &zipSession, ResultsModel &results, QAbstractItemView &list,
                 WindowPointer &pointer)
        : m_platform(platform), m_zipSession(zipSession), m_results(results), m_list(list), m_pointer(pointer)
    {
    }

    void pasteZips();
    void lookUpListFile();
    void copyForSpreadsheet();
    void saveForSpreadsheet();

private:
    // Replaces the list with the list the device holds, ticked, and says how it matched. A list
    // the reader refuses leaves the list as it was and says why.
    using ListSource = std::function<std::unique_ptr<QIODevice>()>;
    void listLookedUp(Routine &r, const QString &name, const ListSource &source);
    LookupCounts fillList(const QString &name, const ListSource &source);
    void writeTickedRows(ListCsvWriter &out);

    Platform &m_platform;
    ZipSession &m_zipSession;
    ResultsModel &m_results;
    QAbstractItemView &m_list;
    WindowPointer &m_pointer;
};
