#include "WorkingCopy.h"

#include "DataFolder.h"
#include "FileDescriptor.h"
#include "JsonText.h"
#include "NetworkFileSystem.h"
#include "ShippedCopy.h"
#include "ZipConnection.h"
#include "ZipPlace.h"
#include "ZipQuery.h"
#include "ZipDatabaseFile.h"
#include "ZipSchema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Copies on their way into place are named after their target with this and a random suffix.
const QString kCopyInfix = QStringLiteral(".copy-");

[[noreturn]] void fail(const QString &what, const QString &path, const QString &reason)
{
    throw std::runtime_error(
        QStringLiteral("%1 %2: %3").arg(what, QDir::toNativeSeparators(path), reason).toStdString());
}

QByteArray nameOf(const QString &path)
{
    return QFile::encodeName(QDir::fromNativeSeparators(path));
}

// Opens the pristine copy and checks it whole, so a damaged or foreign one fails before the
// working copy is touched.
SqliteHandle openPristine(const QString &path)
{
    SqliteHandle db = openDatabaseFile(path, SQLITE_OPEN_READONLY);
    // The pristine copy never changes while it is read: map it rather than read it page by page,
    // once for the check and once more for a backup.
    sqlite3_exec(db.get(), "pragma mmap_size = 268435456", nullptr, nullptr, nullptr);
    checkZipDatabase(db.get());
    return db;
}

// Removes the copies beside the target that no running writer holds: those a killed run left,
// and anything else a member put under such a name.
void removeLeftoverCopies(const QString &target)
{
    const QFileInfo targetInfo(target);
    const QDir folder = targetInfo.absoluteDir();
    const QStringList leftovers = folder.entryList({targetInfo.fileName() + kCopyInfix + QLatin1Char('*')},
                                                   QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System);
    for (const QString &name : leftovers) {
        const QByteArray path = nameOf(folder.filePath(name));
        const FileDescriptor leftover(::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (leftover.isOpen() ? ::flock(leftover.get(), LOCK_EX | LOCK_NB) == 0 : errno == ELOOP)
            ::unlink(path.constData());
    }
}

void removeStaleJournals(const QString &working)
{
    for (const char *suffix : zipschema::kJournalSuffixes) {
        const QString journal = working + QLatin1String(suffix);
        if (::unlink(nameOf(journal).constData()) != 0 && errno != ENOENT)
            fail(QStringLiteral("Cannot remove"), journal, systemErrorText());
    }
}

// Creates a new file beside the target under a name of its own and returns its descriptor, or
// -1. O_EXCL makes it afresh, never through a link a member put under that name.
int createFileBeside(const QString &target, QString &name)
{
    int fd = -1;
    do {
        name = target + kCopyInfix + QString::number(QRandomGenerator::global()->generate(), 16).rightJustified(8, u'0');
        fd = ::open(nameOf(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EEXIST);
    return fd;
}

// A new file beside the target, locked while it lives. It is removed again unless it was put in
// place, whatever failed on the way.
class TemporaryCopy
{
public:
    explicit TemporaryCopy(const QString &target) : m_target(target), m_file(createFileBeside(target, m_name))
    {
        if (!m_file.isOpen())
            fail(QStringLiteral("Cannot write"), target, systemErrorText());
        ::flock(m_file.get(), LOCK_EX);
    }
    ~TemporaryCopy()
    {
        if (!m_placed)
            ::unlink(nameOf(m_name).constData());
    }
    TemporaryCopy(const TemporaryCopy &) = delete;
    TemporaryCopy &operator=(const TemporaryCopy &) = delete;

    // Writes the whole source into the copy, with the target's mode, and waits until it is on disk.
    void fill(const QString &source)
    {
        const FileDescriptor from(::open(nameOf(source).constData(), O_RDONLY | O_CLOEXEC));
        if (!from.isOpen())
            fail(QStringLiteral("Cannot read"), source, systemErrorText());
        struct stat target {};
        if (::lstat(nameOf(m_target).constData(), &target) == 0 && S_ISREG(target.st_mode))
            ::fchmod(m_file.get(), target.st_mode & 0777);
        // In place it is as shared as the folder wants its entries.
        shareWithFolderGroup(m_file.get(), QFileInfo(m_target).absolutePath());

        QByteArray chunk(1 << 20, Qt::Uninitialized);
        for (;;) {
            const ssize_t read = ::read(from.get(), chunk.data(), size_t(chunk.size()));
            if (read == 0)
                break;
            if (read < 0 && errno != EINTR)
                fail(QStringLiteral("Cannot read"), source, systemErrorText());
            for (ssize_t done = 0; done < read;) {
                const ssize_t written = ::write(m_file.get(), chunk.constData() + done, size_t(read - done));
                if (written < 0 && errno != EINTR)
                    fail(QStringLiteral("Cannot write"), m_target, systemErrorText());
                done += std::max<ssize_t>(written, 0);
            }
        }
        if (::fsync(m_file.get()) != 0)
            fail(QStringLiteral("Cannot write"), m_target, systemErrorText());
    }

    // Renames the copy over the target in one step; a link at the target's name is replaced, never
    // followed.
    void replaceTarget()
    {
        if (::rename(nameOf(m_name).constData(), nameOf(m_target).constData()) != 0)
            fail(QStringLiteral("Cannot write"), m_target, systemErrorText());
        m_placed = true;
    }

    // Puts the copy at the target unless anything is there already: what is there is opened, and
    // reported, as it is.
    void placeUnlessPresent()
    {
        const QByteArray from = nameOf(m_name);
        const QByteArray to = nameOf(m_target);
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) {
            m_placed = true;
            return;
        }
        // A file system that cannot rename without replacing: a second name cannot replace either.
        if ((errno == EINVAL || errno == ENOSYS) && ::link(from.constData(), to.constData()) == 0)
            return;
        if (errno != EEXIST)
            fail(QStringLiteral("Cannot write"), m_target, systemErrorText());
    }

private:
    QString m_target;
    QString m_name;
    FileDescriptor m_file;
    bool m_placed = false;
};

bool hasTable(const ZipConnection &working, const zipschema::Table &table)
{
    return working
               .query(QStringLiteral("select count(*) from sqlite_schema where type = 'table' and name = ?1 collate nocase"),
                      {table.name})
               .text(0)
        != u"0";
}

bool isUpToDate(const ZipConnection &working)
{
    return hasTable(working, zipschema::zipPlaces()) && hasTable(working, zipschema::zipProfiles());
}

// The shipped places as the JSON array the insert reads.
QString shippedPlacesJson(const ShippedCopy &shipped)
{
    QString places(u'[');
    for (const ZipPlace &place : shipped.places())
        appendJsonPlace(places, place);
    closeJsonArray(places);
    return places;
}

void addPlaces(ZipConnection &working, const QString &places)
{
    working.execute(zipschema::zipPlaces().sqliteCreate);
    working.execute(QString::fromUtf8(zipschema::kInsertZipPlacesFromJsonSql), {places});
    working.execute(zipschema::zipPlaces().sqliteIndexes);
    working.execute(zipschema::importedRows().sqliteCreate);
}

// The pristine copy, attached to the working copy's connection while it lives, so its rows are
// copied table to table inside SQLite rather than read out and written back.
class AttachedShippedCopy
{
public:
    AttachedShippedCopy(ZipConnection &working, const QString &pristine) : m_working(working)
    {
        m_working.execute(QStringLiteral("attach database ?1 as shipped"), {pristine});
    }
    ~AttachedShippedCopy()
    {
        try {
            m_working.execute(QStringLiteral("detach database shipped"));
        } catch (const std::runtime_error &) {
            // Left attached, it goes with the connection.
        }
    }
    AttachedShippedCopy(const AttachedShippedCopy &) = delete;
    AttachedShippedCopy &operator=(const AttachedShippedCopy &) = delete;

private:
    ZipConnection &m_working;
};

void addProfiles(ZipConnection &working)
{
    for (const zipschema::Table *table : {&zipschema::zipProfiles(), &zipschema::zipCounties()}) {
        working.execute(table->sqliteCreate);
        working.execute(QStringLiteral("insert into %1 (%2) select %2 from shipped.%1").arg(table->name, table->columnList()));
    }
    working.execute(zipschema::zipCounties().sqliteIndexes);
}

enum class Backup { Done, ReplaceFile };

// Writes every page of the source into the working copy under the working copy's own locks.
// A working copy that is no database, or one crafted so that no backup can write it, is to be
// replaced as a file.
Backup backupInto(sqlite3 *source, const QString &working)
{
    if (!entryExists(working))
        return Backup::ReplaceFile;
    const SqliteHandle target = openDatabaseFile(working, SQLITE_OPEN_READWRITE);

    sqlite3_backup *backup = sqlite3_backup_init(target.get(), "main", source, "main");
    if (!backup)
        fail(QStringLiteral("Cannot write"), working, QString::fromUtf8(sqlite3_errmsg(target.get())));
    const int stepped = sqlite3_backup_step(backup, -1);
    sqlite3_backup_finish(backup);
    switch (stepped & 0xff) {
    case SQLITE_DONE:
        return Backup::Done;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_IOERR:
    case SQLITE_FULL:
    case SQLITE_NOMEM:
        fail(QStringLiteral("Cannot write"), working, QString::fromUtf8(sqlite3_errstr(stepped)));
    default:
        return Backup::ReplaceFile;
    }
}

} // namespace

void provisionWorkingCopy(const QString &pristine, const QString &working)
{
    refuseNetworkFolderOf(working);
    openPristine(pristine); // checked whole before anything is written
    // With no working copy in place, a journal beside its path belongs to a file that is gone;
    // SQLite would apply it to the new copy.
    removeStaleJournals(working);
    removeLeftoverCopies(working);
    TemporaryCopy copy(working);
    copy.fill(pristine);
    copy.placeUnlessPresent();
}

void resetWorkingCopy(const QString &pristine, const QString &working)
{
    refuseNetworkFolderOf(working);
    const SqliteHandle source = openPristine(pristine);
    removeStrayEntries(working);
    if (backupInto(source.get(), working) == Backup::Done)
        return;
    removeStaleJournals(working);
    copyDatabaseFile(pristine, working);
}

void copyDatabaseFile(const QString &source, const QString &target)
{
    removeLeftoverCopies(target);
    TemporaryCopy copy(target);
    copy.fill(source);
    copy.replaceTarget();
}

void upgradeWorkingCopy(ZipConnection &working, const QString &pristine)
{
    if (isUpToDate(working))
        return;
    // The places are read before the write lock is taken, so other instances wait no longer than
    // the writes; the profiles are copied from the attached pristine copy, which is quicker still.
    // Opened read-only first, so a pristine copy that is missing fails here rather than being
    // created empty by the attachment.
    const ShippedCopy shipped(pristine);
    const bool placesMissing = !hasTable(working, zipschema::zipPlaces());
    const QString places = placesMissing ? shippedPlacesJson(shipped) : QString();
    const AttachedShippedCopy attached(working, pristine);
    // The write lock is taken on the working copy alone, by a write that changes nothing: "begin
    // immediate" would take one on the pristine copy too, and a commit over two written files
    // leaves a journal of its own beside the working copy.
    working.execute(QStringLiteral("begin"));
    try {
        working.execute(QStringLiteral("delete from main.ZipCodes where rowid = -1"));
        // Another instance may have upgraded it while this one waited for the lock.
        if (placesMissing && !hasTable(working, zipschema::zipPlaces()))
            addPlaces(working, places);
        if (!hasTable(working, zipschema::zipProfiles()))
            addProfiles(working);
        working.execute(QStringLiteral("commit"));
    } catch (const std::runtime_error &) {
        try {
            working.execute(QStringLiteral("rollback"));
        } catch (const std::runtime_error &) {
            // SQLite has rolled it back already when the failure ended the transaction.
        }
        throw;
    }
}
