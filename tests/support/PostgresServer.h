#pragma once

#include <QProcess>
#include <QTemporaryDir>

// A PostgreSQL server of the test's own: a new cluster in a temporary folder, reached only through
// a Unix socket there with trust authentication, no TCP. It runs as the test's user, or as nobody
// when that is root, which the server refuses. It stops at the end and dies with the test.
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
    // Starts one of the server's programs as the server's user.
    void launch(QProcess &process, const QString &program, const QStringList &arguments) const;
    bool run(const QString &program, const QStringList &arguments) const;

    QTemporaryDir m_dir;
    QProcess m_server;
    int m_databases = 0;
};
