#pragma once

class QString;
class SearchCommands;
struct CommandContext;

// The About box that F1 opens, and the import of a ZIP data file dropped on the window: the
// summary in a Yes/No box, then the merge. A bad file gets its reason in a box and changes
// nothing. After an import a list that shows rows is searched again.
class ImportCommands
{
public:
    ImportCommands(const CommandContext &context, SearchCommands &search) : m(context), m_search(search) {}

    void showAbout();
    void importDroppedFile(const QString &path);

private:
    const CommandContext &m;
    SearchCommands &m_search;
};
