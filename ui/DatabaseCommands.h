#pragma once

class Platform;
class QAbstractItemView;
class QString;
class ResultsModel;
class SearchCommands;
class WindowPointer;
class ZipSession;

// The routines of the "Edit The Database" frame and the close request's release of the shared
// connection: adding a row, deleting the selected ZIP, the reset to the pristine copy and the
// explanation. A deletion refreshes the list through the search.
class DatabaseCommands
{
public:
    DatabaseCommands(Platform &platform, ZipSession &zipSession, ResultsModel &results, QAbstractItemView &list,
                     WindowPointer &pointer, SearchCommands &search)
        : m_platform(platform), m_zipSession(zipSession), m_results(results), m_list(list), m_pointer(pointer),
          m_search(search)
    {
    }

    void addZip();
    void deleteSelectedZip();
    void resetDatabase();
    void explainEditing();
    void closeConnection();

private:
    // The ZIP of the list's current row; throws as an unset object does when there is none.
    QString selectedZip() const;

    Platform &m_platform;
    ZipSession &m_zipSession;
    ResultsModel &m_results;
    QAbstractItemView &m_list;
    WindowPointer &m_pointer;
    SearchCommands &m_search;
};
