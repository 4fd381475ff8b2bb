#pragma once

class MapWindow;
class Platform;
class QAbstractItemView;
class QWidget;
class ResultsModel;
class WindowPointer;
class ZipSession;

// "Show On Map": the map window over the results list, made on first use and then kept, hidden
// or shown, as a window of the main window's own.
class MapCommands
{
public:
    MapCommands(Platform &platform, ZipSession &zipSession, ResultsModel &results, QAbstractItemView &list,
                WindowPointer &pointer, QWidget &window)
        : m_platform(platform), m_zipSession(zipSession), m_results(results), m_list(list), m_pointer(pointer),
          m_window(window)
    {
    }

    // Opens the map window on the list, or brings it forward.
    void showMap();
    // The map window once it was opened, else none.
    MapWindow *mapWindow() const { return m_mapWindow; }

private:
    // Throws when the map's projection cannot be made.
    MapWindow *makeMapWindow();

    Platform &m_platform;
    ZipSession &m_zipSession;
    ResultsModel &m_results;
    QAbstractItemView &m_list;
    WindowPointer &m_pointer;
    QWidget &m_window;
    MapWindow *m_mapWindow = nullptr; // the main window's child
};
