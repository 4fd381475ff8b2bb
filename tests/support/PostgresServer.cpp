#include "PostgresServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QThread>

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <stdexcept>

namespace {

// Debian keeps the server's programs out of PATH, in a folder for each major version: the newest.
QString programFolder()
{
    const QStringList versions = QDir("/usr/lib/postgresql").entryList({"[1-9][0-9]"}, QDir::Dirs, QDir::Name);
    return QString("/usr/lib/postgresql/%1/bin/").arg(versions.value(versions.size() - 1));
}

const passwd *serverUser()
{
    return ::geteuid() == 0 ? ::getpwnam("nobody") : nullptr;
}

} // namespace

PostgresServer::PostgresServer() : m_dir(QDir::tempPath() + "/pg-XXXXXX")
{
    if (const passwd *user = serverUser()) {
        const int folder = ::open(QFile::encodeName(m_dir.path()).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
        const bool handedOver = ::fchown(folder, user->pw_uid, user->pw_gid) == 0;
        ::close(folder);
        if (!handedOver)
            throw std::runtime_error("Cannot hand the server's folder to nobody");
    }
    if (!run("initdb", {"-Ddata", "-EUTF8", "-Uquillmap", "--locale=C.UTF-8", "--auth-local=trust",
                        "--auth-host=reject", "--no-sync"}))
        throw std::runtime_error("initdb failed: is the package postgresql installed?");
    start();
}

PostgresServer::~PostgresServer()
{
    kill(); // nothing of it is kept
}

void PostgresServer::launch(QProcess &process, const QString &program, const QStringList &arguments) const
{
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setWorkingDirectory(m_dir.path());
    // A session of its own, so a kill reaches every process of the server; setpriv sets the
    // parent-death signal again after changing the user, which clears it.
    process.setChildProcessModifier([] {
        ::setsid();
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    });
    QStringList command = QStringList{programFolder() + program} + arguments;
    if (const passwd *user = serverUser())
        command = QStringList{"setpriv", QString("--reuid=%1").arg(user->pw_uid),
                              QString("--regid=%1").arg(user->pw_gid), "--clear-groups", "--pdeathsig=KILL", "--"}
            + command;
    process.start(command.takeFirst(), command);
}

bool PostgresServer::run(const QString &program, const QStringList &arguments) const
{
    QProcess process;
    launch(process, program, arguments);
    return process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

void PostgresServer::start()
{
    launch(m_server, "postgres", {"-Ddata", "-k", m_dir.path(), "-clisten_addresses=", "-clog_min_messages=panic"});
    const QStringList ping{"-qUquillmap", "-h", m_dir.path()};
    for (QDeadlineTimer deadline(60000); !run("pg_isready", ping); QThread::msleep(50))
        if (m_server.state() == QProcess::NotRunning || deadline.hasExpired())
            throw std::runtime_error("The test's PostgreSQL server did not start");
}

void PostgresServer::kill()
{
    if (m_server.state() != QProcess::NotRunning)
        ::kill(-pid_t(m_server.processId()), SIGKILL);
    m_server.waitForFinished();
}

QString PostgresServer::newDatabase()
{
    const QString name = QString("zips%1").arg(++m_databases);
    if (!run("createdb", {"-Uquillmap", "-h", m_dir.path(), name}))
        throw std::runtime_error("createdb failed");
    return QString("host=%1 user=quillmap dbname=%2").arg(m_dir.path(), name);
}
