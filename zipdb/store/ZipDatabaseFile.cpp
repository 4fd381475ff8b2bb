#include "ZipDatabaseFile.h"

#include "ZipQuery.h"
#include "ZipSchema.h"

#include "FileDescriptor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sqlite3.h>

#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The text SQLite keeps for the table the statement creates: the first two words in capitals and
// no "if not exists". A table whose text is another holds other columns, or constraints and
// defaults of a member's making, which every later write would run into.
QString storedCreateText(const QString &create)
{
    QStringView rest(create);
    for (const QLatin1String words : {QLatin1String("create table "), QLatin1String("if not exists ")})
        if (rest.startsWith(words, Qt::CaseInsensitive))
            rest = rest.mid(words.size());
    return QStringLiteral("CREATE TABLE ") + rest.toString();
}

// A plain index: on named columns only, without an expression or a WHERE clause, and unique only
// for a primary key, so that it can make no write fail.
bool isAllowedIndex(sqlite3 *db, const zipschema::Table &table, const QString &name)
{
    if (!table.indexes.isEmpty() && !table.indexes.contains(name, Qt::CaseInsensitive))
        return false;
    const ZipQuery unplain(db,
                           QStringLiteral("select (select count(*) from pragma_index_xinfo(?1) where key and cid < 0)"
                                          " + (select count(*) from pragma_index_list(?2) where name = ?1"
                                          " and (partial or (\"unique\" and origin <> 'pk')))"),
                           {name, table.name});
    return unplain.text(0) == QLatin1String("0");
}

// Nothing runs on behalf of a trigger or a view: a member of the group can add one to the shared
// file at any time, even while it is open here, and its code would run in every instance.
int refuseTriggersAndViews(void *, int, const char *, const char *, const char *, const char *triggerOrView)
{
    return triggerOrView ? SQLITE_DENY : SQLITE_OK;
}

void check(sqlite3 *db, int result)
{
    if (result != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
}

// Why SQLite could not open the file: the operating system's own words where it has them, asked
// afresh because SQLite's record of them may be stale.
QString openFailure(const QByteArray &path, int result, int noFollow)
{
    if (result == SQLITE_CANTOPEN) {
        const FileDescriptor file(::open(path.constData(), O_RDONLY | noFollow | O_NONBLOCK | O_CLOEXEC));
        if (!file.isOpen())
            return errno == ELOOP ? QStringLiteral("it is a symbolic link") : systemErrorText();
    }
    return QString::fromUtf8(sqlite3_errstr(result));
}

QString fileOf(sqlite3 *db)
{
    return QDir::toNativeSeparators(QString::fromUtf8(sqlite3_db_filename(db, "main")));
}

// The names SQLite gives the files it keeps beside a database.
QStringList fileAndJournalPaths(const QString &databaseFile)
{
    QStringList paths{databaseFile};
    for (const char *suffix : zipschema::kJournalSuffixes)
        paths.append(databaseFile + QLatin1String(suffix));
    return paths;
}

// What is odd about the entry at the path, or nothing.
QString strayness(const QString &path)
{
    struct stat status {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    if (S_ISLNK(status.st_mode))
        return QStringLiteral("it is a symbolic link");
    if (!S_ISREG(status.st_mode))
        return QStringLiteral("it is not a regular file");
    if (status.st_nlink > 1)
        return QStringLiteral("it has a second name (a hard link)");
    return {};
}

} // namespace

void SqliteCloser::operator()(sqlite3 *db) const
{
    sqlite3_close_v2(db);
}

SqliteHandle openDatabaseFile(const QString &path, int flags)
{
    // SQLite counts every allocation under one lock of the whole process, which two threads
    // reading two connections would wait on; nothing here asks for the counts. Said before the
    // first connection opens, or refused and harmless after.
    static const int uncounted = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    Q_UNUSED(uncounted);
    // A file the program writes lies in the shared folder. The pristine copy, only ever read from
    // the program folder, may be a link a packager made.
    const bool shared = flags & SQLITE_OPEN_READWRITE;
    if (shared)
        refuseStrayEntries(path);
    // SQLite refuses a link anywhere in the path it is given; only the file's own name lies in the
    // shared folder, the folders above it are root's.
    const QFileInfo file(QDir::fromNativeSeparators(path));
    const QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
    const QString opened = folder.isEmpty() ? file.filePath() : folder + QLatin1Char('/') + file.fileName();
    sqlite3 *raw = nullptr;
    const QByteArray name = opened.toUtf8();
    // One thread at a time uses a connection (the list look-up reads the store on a thread of its
    // own while nothing else does): SQLite's locking of it at every call would be work for nothing.
    const int result = sqlite3_open_v2(name.constData(), &raw,
                                       flags | SQLITE_OPEN_NOMUTEX | (shared ? SQLITE_OPEN_NOFOLLOW : 0), nullptr);
    SqliteHandle db(raw);
    if (result != SQLITE_OK)
        throw std::runtime_error(QStringLiteral("Could not open %1: %2")
                                     .arg(QDir::toNativeSeparators(path), openFailure(name, result, shared ? O_NOFOLLOW : 0))
                                     .toStdString());
    check(db.get(), sqlite3_db_config(db.get(), SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr));
    check(db.get(), sqlite3_db_config(db.get(), SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr));
    check(db.get(), sqlite3_set_authorizer(db.get(), refuseTriggersAndViews, nullptr));
    // Every user of the machine shares the working copy; wait for another instance's write.
    check(db.get(), sqlite3_busy_timeout(db.get(), kBusyTimeoutMs));
    return db;
}

void checkZipDatabase(sqlite3 *db)
{
    bool zipTable = false;
    for (ZipQuery entry(db, QStringLiteral("select type, name, tbl_name, coalesce(sql, '') from sqlite_schema"), {});
         !entry.atEnd(); entry.moveNext()) {
        const QString type = entry.text(0);
        const QString name = entry.text(1);
        const zipschema::Table *table = zipschema::findTable(entry.text(2));
        bool allowed = false;
        if (table && type == QLatin1String("table"))
            allowed = table->name.compare(name, Qt::CaseInsensitive) == 0
                && entry.text(3) == storedCreateText(table->sqliteCreate);
        else if (table && type == QLatin1String("index"))
            allowed = isAllowedIndex(db, *table, name);
        if (!allowed)
            throw std::runtime_error(QStringLiteral("%1 holds the %2 %3, which is no part of a zip database")
                                         .arg(fileOf(db), type, name)
                                         .toStdString());
        zipTable = zipTable || (type == QLatin1String("table") && name.compare(zipschema::zipCodes().name, Qt::CaseInsensitive) == 0);
    }
    if (!zipTable)
        throw std::runtime_error(QStringLiteral("%1 holds no %2 table").arg(fileOf(db), zipschema::zipCodes().name).toStdString());
    // SQLite reads a file lazily: check every page now, so damage shows here, where the reset can
    // still repair it, rather than at the first search that reaches it.
    const ZipQuery pages(db, QStringLiteral("pragma quick_check(1)"), {});
    if (pages.text(0) != QLatin1String("ok"))
        throw std::runtime_error(
            (QString::fromUtf8(sqlite3_errstr(SQLITE_CORRUPT)) + QStringLiteral(": ") + pages.text(0)).toStdString());
}

void refuseStrayEntries(const QString &databaseFile)
{
    for (const QString &path : fileAndJournalPaths(databaseFile)) {
        const QString odd = strayness(path);
        if (!odd.isEmpty())
            throw std::runtime_error(
                QStringLiteral("Refused %1: %2").arg(QDir::toNativeSeparators(path), odd).toStdString());
    }
}

void removeStrayEntries(const QString &databaseFile)
{
    for (const QString &path : fileAndJournalPaths(databaseFile)) {
        if (strayness(path).isEmpty())
            continue;
        const QByteArray name = QFile::encodeName(path);
        if (::unlink(name.constData()) == 0 || errno == ENOENT || (errno == EISDIR && ::rmdir(name.constData()) == 0))
            continue;
        throw std::runtime_error(
            QStringLiteral("Cannot remove %1: %2").arg(QDir::toNativeSeparators(path), systemErrorText()).toStdString());
    }
}
