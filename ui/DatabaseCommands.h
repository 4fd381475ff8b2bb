#pragma once

class QString;
class SearchCommands;
struct CommandContext;

// The routines of the "Edit The Database" frame and the close request's release of the shared
// connection: adding a row, deleting the selected ZIP, the reset to the pristine copy and the
// explanation. A deletion refreshes the list through the search.
class DatabaseCommands
{
public:
    DatabaseCommands(const CommandContext &context, SearchCommands &search) : m(context), m_search(search) {}

    void addZip();
    void deleteSelectedZip();
    void resetDatabase();
    void explainEditing();
    void closeConnection();

private:
    // The ZIP of the list's current row; throws as an unset object does when there is none.
    QString selectedZip() const;

    const CommandContext &m;
    SearchCommands &m_search;
};
