#pragma once

class Dialogs;
class QLineEdit;
class QString;
class ResultsModel;
class WindowPointer;
class ZipSession;

// The search frame's buttons and the list's own commands ("Clear List", "Tick All", "Untick
// All"): each a routine of numbered steps through the failure handler.
class SearchCommands
{
public:
    SearchCommands(Dialogs &dialogs, ZipSession &zipSession, ResultsModel &results, WindowPointer &pointer,
                   QLineEdit &searchBox)
        : m_dialogs(dialogs), m_zipSession(zipSession), m_results(results), m_pointer(pointer), m_searchBox(searchBox)
    {
    }

    void search();
    void loadSampleSearch();
    void showSearchHint();
    void clearList();
    void tickAll();
    void untickAll();

private:
    void tickEveryRow(const QString &label, bool ticked);

    Dialogs &m_dialogs;
    ZipSession &m_zipSession;
    ResultsModel &m_results;
    WindowPointer &m_pointer;
    QLineEdit &m_searchBox;
};
