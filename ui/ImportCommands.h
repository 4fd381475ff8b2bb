#pragma once

class ImportSession;
class Platform;
class QString;
struct ImportPlan;
class ResultsModel;
class SearchCommands;
class WindowPointer;
class ZipSession;

// The import of a ZIP data file dropped on the window: the summary in a Yes/No box, a second one
// for a file that would remove most of a state's ZIPs, then the merge. A bad file gets its reason
// in a box and changes nothing. After an import a list that shows rows is searched again.
class ImportCommands
{
public:
    ImportCommands(Platform &platform, ZipSession &zipSession, ResultsModel &results, WindowPointer &pointer,
                   SearchCommands &search)
        : m_platform(platform), m_zipSession(zipSession), m_results(results), m_pointer(pointer), m_search(search)
    {
    }

    void importDroppedFile(const QString &path);

private:
    int askToImport(ImportSession &import, const ImportPlan &plan);

    Platform &m_platform;
    ZipSession &m_zipSession;
    ResultsModel &m_results;
    WindowPointer &m_pointer;
    SearchCommands &m_search;
};
