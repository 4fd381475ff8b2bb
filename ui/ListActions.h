#pragma once

#include <QObject>

#include <array>
#include <functional>

class QAction;
class QMenu;
class QWidget;
class ResultsView;

// The commands beyond the original buttons, each one QAction owned here: its text (which is
// also what a screen reader speaks for the menu entry), its shortcut, its description and when
// it can run. Each is in the results list's context menu and on the window, so a shortcut
// works wherever the main window has the keyboard.
class ListActions : public QObject
{
    Q_OBJECT

public:
    // In the menu's order.
    enum Command {
        Details,
        ZipsNear,
        ZipsInCounty,
        ShowOnMap,
        TickAll,
        UntickAll,
        PasteZips,
        LookUpList,
        CopyForSpreadsheet,
        SaveForSpreadsheet,
        CommandCount
    };

    // The actions go on the window; the menu is the list's, and opens from it.
    ListActions(QWidget &window, ResultsView &list);

    QAction &action(Command command) const { return *m_actions[command]; }
    QMenu &menu() const { return *m_menu; }

    // Runs the routine when the command is chosen, from the menu or by its shortcut.
    void bind(Command command, std::function<void()> routine);

private:
    void updateEnabled();

    ResultsView &m_list;
    QMenu *m_menu = nullptr;
    std::array<QAction *, CommandCount> m_actions{};
};
