#include "ZipConnection.h"

#include "ZipQuery.h"

#include "AppInfo.h"
#include "NetworkFileSystem.h"

#include <QDir>

#include <sqlite3.h>

#include <stdexcept>

namespace {

const QString kDataSourceKey = QStringLiteral("data source=");

} // namespace

ZipConnection::ZipConnection() = default;
ZipConnection::~ZipConnection() = default;

QString ZipConnection::connectionString(const QString &dataFolder)
{
    return QStringLiteral("provider=microsoft.jet.oledb.4.0;data source=") + dataFolder + QDir::separator()
        + appinfo::kWorkingCopyFile + QStringLiteral(";JET OLEDB:Database Password=");
}

QString ZipConnection::dataSource(const QString &connectionString)
{
    const qsizetype start = connectionString.indexOf(kDataSourceKey, 0, Qt::CaseInsensitive);
    if (start < 0)
        return {};
    const qsizetype from = start + kDataSourceKey.size();
    const qsizetype end = connectionString.indexOf(QLatin1Char(';'), from);
    return connectionString.mid(from, end < 0 ? -1 : end - from);
}

void ZipConnection::open(const QString &connectionString)
{
    if (m_db)
        throw std::runtime_error("Operation is not allowed when the object is open.");
    const QString path = dataSource(connectionString);
    if (path.isEmpty())
        throw std::runtime_error("The connection string names no data source.");
    refuseNetworkFolderOf(QDir::fromNativeSeparators(path));
    SqliteHandle db = openDatabaseFile(path, SQLITE_OPEN_READWRITE);
    checkZipDatabase(db.get());
    m_db = std::move(db);
}

ZipConnection::State ZipConnection::state() const
{
    return m_db ? Open : Closed;
}

void ZipConnection::close()
{
    if (!m_db)
        throw std::runtime_error("Operation is not allowed when the object is closed.");
    m_db.reset();
}

template <class Work>
auto ZipConnection::explained(Work &&work) const
{
    sqlite3 *db = openHandle();
    try {
        return work(db);
    } catch (const std::runtime_error &) {
        refuseStrayEntries(QString::fromUtf8(sqlite3_db_filename(db, "main")));
        throw;
    }
}

int ZipConnection::execute(const QString &sql, const QStringList &values)
{
    return explained([&](sqlite3 *db) {
        ZipQuery statement(db, sql, values);
        return sqlite3_changes(db);
    });
}

ZipQuery ZipConnection::query(const QString &sql, const QStringList &values) const
{
    return explained([&](sqlite3 *db) { return ZipQuery(db, sql, values); });
}

int ZipConnection::likePatternLimit() const
{
    return sqlite3_limit(openHandle(), SQLITE_LIMIT_LIKE_PATTERN_LENGTH, -1);
}

sqlite3 *ZipConnection::openHandle() const
{
    if (!m_db)
        throw std::runtime_error("Operation is not allowed when the object is closed.");
    return m_db.get();
}
