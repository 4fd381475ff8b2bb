#include "PostgresServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QThread>

#include <fcntl.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <signal.h>
#include <unistd.h>

#include <stdexcept>

namespace {

// Debian keeps the server's programs out of PATH, in a folder for each major version.
QString programFolder()
{
    const QDir versions(QStringLiteral("/usr/lib/postgresql"));
    const QStringList found = versions.entryList({QStringLiteral("[1-9][0-9]")}, QDir::Dirs, QDir::Name);
    if (found.isEmpty())
        throw std::runtime_error("No PostgreSQL server in /usr/lib/postgresql: install the package postgresql");
    return versions.filePath(found.last() + QStringLiteral("/bin/"));
}

const passwd *serverUser()
{
    return ::geteuid() == 0 ? ::getpwnam("nobody") : nullptr;
}

} // namespace

PostgresServer::PostgresServer() : m_dir(QDir::tempPath() + QStringLiteral("/pg-XXXXXX"))
{
    if (const passwd *user = serverUser()) {
        const int folder = ::open(QFile::encodeName(m_dir.path()).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
        const bool handedOver = folder >= 0 && ::fchown(folder, user->pw_uid, user->pw_gid) == 0;
        ::close(folder);
        if (!handedOver)
            throw std::runtime_error("Cannot hand the server's folder to nobody");
    }
    if (run(QStringLiteral("initdb"), {QStringLiteral("-Ddata"), QStringLiteral("-EUTF8"), QStringLiteral("--locale=C.UTF-8"),
                                       QStringLiteral("-Uquillmap"), QStringLiteral("--auth-local=trust"),
                                       QStringLiteral("--auth-host=reject"), QStringLiteral("--no-sync")})
        != 0)
        throw std::runtime_error("initdb failed");
    start();
}

PostgresServer::~PostgresServer()
{
    if (m_server.state() != QProcess::NotRunning)
        ::kill(pid_t(m_server.processId()), SIGINT); // the fast shutdown
    if (!m_server.waitForFinished(30000))
        kill();
}

void PostgresServer::prepare(QProcess &process, const QString &program, const QStringList &arguments) const
{
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setWorkingDirectory(m_dir.path());
    // In a session of its own, so that a kill reaches every process of the server; killed with
    // the test when that dies, so no server outlives it (setpriv sets this again for nobody).
    process.setChildProcessModifier([] {
        ::setsid();
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    });
    const QStringList command = QStringList{programFolder() + program} + arguments;
    const passwd *user = serverUser();
    process.setProgram(user ? QStringLiteral("setpriv") : command.first());
    process.setArguments(user ? QStringList{QStringLiteral("--reuid=%1").arg(user->pw_uid),
                                            QStringLiteral("--regid=%1").arg(user->pw_gid),
                                            QStringLiteral("--clear-groups"), QStringLiteral("--pdeathsig=KILL"),
                                            QStringLiteral("--")}
                                    + command
                              : arguments);
}

int PostgresServer::run(const QString &program, const QStringList &arguments) const
{
    QProcess process;
    prepare(process, program, arguments);
    process.start();
    process.waitForFinished(120000);
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

void PostgresServer::start()
{
    prepare(m_server, QStringLiteral("postgres"),
            {QStringLiteral("-Ddata"), QStringLiteral("-k"), m_dir.path(), QStringLiteral("-clisten_addresses="),
             QStringLiteral("-clog_min_messages=panic")});
    m_server.start();
    for (QDeadlineTimer deadline(60000); run(QStringLiteral("pg_isready"), {QStringLiteral("-qUquillmap"), QStringLiteral("-h"), m_dir.path()}) != 0; QThread::msleep(50))
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
    const QString name = QStringLiteral("zips%1").arg(++m_databases);
    if (run(QStringLiteral("createdb"), {QStringLiteral("-Uquillmap"), QStringLiteral("-h"), m_dir.path(), name}) != 0)
        throw std::runtime_error("createdb failed");
    return QStringLiteral("host=%1 user=quillmap dbname=%2").arg(m_dir.path(), name);
}
