#pragma once

class Platform;
class QTreeView;
class QWidget;
class ResultsModel;
class WindowPointer;
class ZipSession;

// Start-up of the main window: the data folder and its working copy, the optional skin, the
// window's caption, icon and hand cursor, the shared store and the list's columns. Every step runs, each
// failure in its own error box, before the window shows.
class Startup
{
public:
    Startup(Platform &platform, ZipSession &zipSession, ResultsModel &results, WindowPointer &pointer, QWidget &window,
            QTreeView &list)
        : m_platform(platform), m_zipSession(zipSession), m_results(results), m_pointer(pointer), m_window(window),
          m_list(list)
    {
    }

    void load();

private:
    void applySkin();
    // Whether the rows live on the office's server, so the data folder gets no working copy.
    bool keepsRowsOnServer();

    Platform &m_platform;
    ZipSession &m_zipSession;
    ResultsModel &m_results;
    WindowPointer &m_pointer;
    QWidget &m_window;
    QTreeView &m_list;
};
