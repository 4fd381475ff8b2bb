#pragma once

#include <QWidget>

#include <memory>

class AboutBox;
class CaptionProgressBar;
class DatabaseCommands;
class ExportCommands;
class ImportCommands;
class ListActions;
class ListCommands;
class MapCommands;
class PlaceCommands;
class Platform;
class QGroupBox;
class QLineEdit;
class QPushButton;
class ResultsModel;
class ResultsView;
class SearchCommands;
class Startup;
class WindowPointer;
class ZipSession;

// The main window: its controls at their places, the tab order and the wiring of each control
// to its routine. The routines live in the command classes, the work in the libraries.
class Form1 : public QWidget
{
    Q_OBJECT

public:
    explicit Form1(Platform &platform, QWidget *parent = nullptr);
    ~Form1() override;

    // Start-up: every step, with its error boxes, before the window is shown.
    void load();
    // The close request, run once whatever ends the program: the window's close or the session's end.
    void closeRequest();

    SearchCommands &searchCommands() const { return *m_searchCommands; }
    DatabaseCommands &databaseCommands() const { return *m_databaseCommands; }
    ExportCommands &exportCommands() const { return *m_exportCommands; }
    ImportCommands &importCommands() const { return *m_importCommands; }
    PlaceCommands &placeCommands() const { return *m_placeCommands; }
    MapCommands &mapCommands() const { return *m_mapCommands; }
    ListCommands &listCommands() const { return *m_listCommands; }
    // The commands beyond the buttons, in the list's context menu and on the window.
    ListActions &listActions() const { return *m_listActions; }
    WindowPointer &pointer() const { return *m_pointer; }
    ResultsModel &results() const { return *m_results; }
    ZipSession &zipSession() const { return *m_zipSession; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildControls();
    void orderTabs();
    void bindEvents();
    void bindMouseMoves();
    void centreOnScreen();

    Platform &m_platform;
    std::unique_ptr<ZipSession> m_zipSession;
    std::unique_ptr<WindowPointer> m_pointer;
    ResultsModel *m_results = nullptr;
    bool m_closeRequestRan = false;
    bool m_shownBefore = false;

    QGroupBox *m_searchFrame = nullptr;
    QGroupBox *m_editFrame = nullptr;
    QLineEdit *m_searchBox = nullptr;
    ResultsView *m_list = nullptr;
    CaptionProgressBar *m_progressBar = nullptr;
    QPushButton *m_searchButton = nullptr;
    QPushButton *m_resetButton = nullptr;
    QPushButton *m_editingHintButton = nullptr;
    QPushButton *m_addButton = nullptr;
    QPushButton *m_saveTextButton = nullptr;
    QPushButton *m_sampleSearchButton = nullptr;
    QPushButton *m_searchHintButton = nullptr;
    QPushButton *m_clearListButton = nullptr;
    QPushButton *m_saveWorkbookButton = nullptr;
    QPushButton *m_deleteButton = nullptr;
    QPushButton *m_copyButton = nullptr;

    std::unique_ptr<Startup> m_startup;
    std::unique_ptr<SearchCommands> m_searchCommands;
    std::unique_ptr<DatabaseCommands> m_databaseCommands;
    std::unique_ptr<ExportCommands> m_exportCommands;
    std::unique_ptr<ImportCommands> m_importCommands;
    std::unique_ptr<PlaceCommands> m_placeCommands;
    std::unique_ptr<MapCommands> m_mapCommands;
    std::unique_ptr<ListCommands> m_listCommands;
    ListActions *m_listActions = nullptr;
    std::unique_ptr<AboutBox> m_aboutBox;
};
