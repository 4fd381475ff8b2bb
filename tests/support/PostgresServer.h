#pragma once

#include <QProcess>
#include <QTemporaryDir>

// A PostgreSQL server of the test's own: a new cluster in a temporary folder, reached only through
// a Unix socket there, with trust authentication and no TCP at all. It runs as the test's user,
// or as nobody when that is root, which the server refuses. Stopped and removed at the end.
class PostgresServer
{
public:
    PostgresServer();
    ~PostgresServer();

    // The connection string of a new, empty database.
    QString newDatabase();
    // Kills the server and all its processes at once, as a crash would.
    void kill();
    // Starts it and waits until it takes connections, recovering from a kill first.
    void start();

private:
    // Runs one of the server's programs as its user; the process is left to the caller.
    void prepare(QProcess &process, const QString &program, const QStringList &arguments) const;
    int run(const QString &program, const QStringList &arguments) const;

    QTemporaryDir m_dir;
    QProcess m_server;
    int m_databases = 0;
};
