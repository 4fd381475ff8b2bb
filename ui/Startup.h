#pragma once

struct CommandContext;

// Start-up of the main window: the data folder and its working copy, the optional skin, the
// window's caption, icon and hand cursor, the shared connection and the list's columns. Every step runs, each
// failure in its own error box, before the window shows.
class Startup
{
public:
    explicit Startup(const CommandContext &context) : m(context) {}

    void load();

private:
    void applySkin();

    const CommandContext &m;
};
