#include "ListActions.h"

#include "ResultsView.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QMenu>

#include <iterator>

namespace {

enum class Needs { Nothing, Rows, CurrentRow };

struct Definition {
    const char *text;
    const char *description;
    const char *shortcut; // in QKeySequence's portable text; empty for none
    Needs needs;
    bool startsGroup; // a separator above it in the menu
    // Its shortcut works in the list alone: elsewhere the keys keep their own meaning.
    bool listShortcut = false;
};

// One line a command, in the order of ListActions::Command.
constexpr Definition kDefinitions[] = {
    {"Details", "The ZIP's city, state, counties, coordinates, time zone, population and kind, in a box to copy from", "",
     Needs::CurrentRow, false},
    {"ZIPs Near…", "Lists the ZIPs within a distance of this one, nearest first", "", Needs::CurrentRow, false},
    {"ZIPs In This County", "Lists the ZIPs with residents in this ZIP's county, largest share first", "",
     Needs::CurrentRow, false},
    {"Show On Map", "Opens the map of the listed ZIPs", "Ctrl+M", Needs::Nothing, false},
    {"Tick All", "Ticks every row of the list", "", Needs::Rows, true},
    {"Untick All", "Unticks every row of the list", "", Needs::Rows, false},
    {"Paste ZIPs", "Lists the ZIPs of the clipboard's text, one row a line", "Ctrl+V", Needs::Nothing, true, true},
    {"Look Up A List…", "Lists the ZIPs of a CSV, text or Excel file, one row a line", "", Needs::Nothing, false},
    {"Copy For Spreadsheet",
     "Copies the ticked rows with their county, coordinates, time zone, counties, population, kind and match, as cells",
     "Ctrl+Shift+C", Needs::Rows, false},
    {"Save For Spreadsheet…",
     "Saves the ticked rows with their county, coordinates, time zone, counties, population, kind and match as a CSV file",
     "", Needs::Rows, false},
};
static_assert(std::size(kDefinitions) == ListActions::CommandCount);

} // namespace

ListActions::ListActions(QWidget &window, ResultsView &list) : QObject(&window), m_list(list)
{
    m_menu = new QMenu(&list);
    m_menu->setObjectName(QStringLiteral("mnuList"));
    m_menu->setAccessibleName(QStringLiteral("Results list menu"));
    for (int command = 0; command < CommandCount; ++command) {
        const Definition &definition = kDefinitions[command];
        auto *action = new QAction(QString::fromUtf8(definition.text), this);
        action->setToolTip(QString::fromUtf8(definition.description));
        action->setShortcut(QKeySequence(QString::fromLatin1(definition.shortcut)));
        action->setShortcutVisibleInContextMenu(true);
        if (definition.startsGroup)
            m_menu->addSeparator();
        m_menu->addAction(action);
        if (definition.listShortcut) {
            action->setShortcutContext(Qt::WidgetShortcut);
            list.addAction(action);
        } else {
            window.addAction(action);
        }
        m_actions[command] = action;
    }
    list.setContextMenu(m_menu);
    // The enabled state follows the list, so a shortcut is refused when its menu entry would be.
    connect(list.model(), &QAbstractItemModel::modelReset, this, &ListActions::updateEnabled);
    connect(list.model(), &QAbstractItemModel::rowsInserted, this, &ListActions::updateEnabled);
    connect(list.model(), &QAbstractItemModel::rowsRemoved, this, &ListActions::updateEnabled);
    connect(list.selectionModel(), &QItemSelectionModel::currentChanged, this, &ListActions::updateEnabled);
    updateEnabled();
}

void ListActions::bind(Command command, std::function<void()> routine)
{
    connect(m_actions[command], &QAction::triggered, this, std::move(routine));
}

void ListActions::updateEnabled()
{
    const bool hasRows = m_list.model()->rowCount() > 0;
    const bool hasCurrentRow = m_list.currentIndex().isValid();
    for (int command = 0; command < CommandCount; ++command) {
        const Needs needs = kDefinitions[command].needs;
        m_actions[command]->setEnabled(needs == Needs::Nothing || (needs == Needs::Rows && hasRows)
                                       || (needs == Needs::CurrentRow && hasCurrentRow));
    }
}
