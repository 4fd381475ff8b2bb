#include "ZipConnection.h"

#include "StoreErrors.h"
#include "ZipQuery.h"
#include "ZipStatement.h"

#include "AppInfo.h"
#include "NetworkFileSystem.h"

#include <QDir>

#include <sqlite3.h>

#include <stdexcept>

ZipConnection::ZipConnection() = default;
ZipConnection::~ZipConnection() = default;

QString ZipConnection::connectionString(const QString &dataFolder)
{
    return QStringLiteral("provider=microsoft.jet.oledb.4.0;data source=") + dataFolder + QDir::separator()
        + appinfo::kWorkingCopyFile + QStringLiteral(";JET OLEDB:Database Password=");
}

void ZipConnection::open(const QString &databaseFile)
{
    if (m_db)
        throw std::runtime_error(storeerrors::kOpen);
    refuseNetworkFolderOf(QDir::fromNativeSeparators(databaseFile));
    SqliteHandle db = openDatabaseFile(databaseFile, SQLITE_OPEN_READWRITE);
    checkZipDatabase(db.get());
    m_db = std::move(db);
}

bool ZipConnection::isOpen() const
{
    return bool(m_db);
}

void ZipConnection::close()
{
    if (!m_db)
        throw std::runtime_error(storeerrors::kClosed);
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

ZipStatement ZipConnection::prepare(const QString &sql) const
{
    return explained([&](sqlite3 *db) { return ZipStatement(db, sql); });
}

int ZipConnection::likePatternLimit() const
{
    return sqlite3_limit(openHandle(), SQLITE_LIMIT_LIKE_PATTERN_LENGTH, -1);
}

sqlite3 *ZipConnection::openHandle() const
{
    if (!m_db)
        throw std::runtime_error(storeerrors::kClosed);
    return m_db.get();
}
