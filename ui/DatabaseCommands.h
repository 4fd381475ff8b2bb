#pragma once

struct CommandContext;

// The routines that change the working copy or the shared connection: the reset to the
// pristine copy and the close request's release of the connection.
class DatabaseCommands
{
public:
    explicit DatabaseCommands(const CommandContext &context) : m(context) {}

    void resetDatabase();
    void closeConnection();

private:
    const CommandContext &m;
};
