#include "ZipConnection.h"

#include "ZipQuery.h"

#include "AppInfo.h"
#include "NetworkFileSystem.h"

#include <QDir>

#include <sqlite3.h>

#include <stdexcept>

namespace {

const QString kDataSourceKey = QStringLiteral("data source=");

void check(sqlite3 *db, int result)
{
    if (result != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
}

} // namespace

void ZipConnection::Closer::operator()(sqlite3 *db) const
{
    sqlite3_close_v2(db);
}

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

    sqlite3 *raw = nullptr;
    const int result = sqlite3_open_v2(QDir::fromNativeSeparators(path).toUtf8().constData(), &raw,
                                       SQLITE_OPEN_READWRITE, nullptr);
    std::unique_ptr<sqlite3, Closer> db(raw);
    if (result != SQLITE_OK)
        throw std::runtime_error(QStringLiteral("Could not open %1: %2")
                                     .arg(QDir::toNativeSeparators(path), QString::fromUtf8(sqlite3_errstr(result)))
                                     .toStdString());
    // Every user of the machine shares the working copy; wait for another instance's write.
    check(db.get(), sqlite3_busy_timeout(db.get(), kBusyTimeoutMs));
    // SQLite reads a file lazily: check every page now, so a damaged working copy fails here,
    // where the reset can still repair it, rather than at the first search that reaches the damage.
    ZipQuery check(db.get(), QStringLiteral("pragma quick_check(1)"), {});
    if (check.text(0) != QLatin1String("ok"))
        throw std::runtime_error(
            (QString::fromUtf8(sqlite3_errstr(SQLITE_CORRUPT)) + QStringLiteral(": ") + check.text(0)).toStdString());
    ZipQuery probe(db.get(), QStringLiteral("select ZipCode, City, State from ZipCodes limit 1"), {});
    m_db = std::move(db);
}

int ZipConnection::state() const
{
    return m_db ? Open : Closed;
}

void ZipConnection::close()
{
    if (!m_db)
        throw std::runtime_error("Operation is not allowed when the object is closed.");
    m_db.reset();
}

int ZipConnection::execute(const QString &sql, const QStringList &values)
{
    ZipQuery statement(openHandle(), sql, values);
    return sqlite3_changes(openHandle());
}

ZipQuery ZipConnection::query(const QString &sql, const QStringList &values) const
{
    return ZipQuery(openHandle(), sql, values);
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
