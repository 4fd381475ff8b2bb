#pragma once

struct CommandContext;

// The search frame's buttons and "Clear List": each a routine of numbered steps through the
// failure handler.
class SearchCommands
{
public:
    explicit SearchCommands(const CommandContext &context) : m(context) {}

    void search();
    void loadSampleSearch();
    void showSearchHint();
    void clearList();

private:
    const CommandContext &m;
};
