#include "WorkingCopy.h"

#include "DataFolder.h"
#include "NetworkFileSystem.h"
#include "ZipConnection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>

#ifdef Q_OS_UNIX
#include <sys/file.h>
#include <unistd.h>
#endif

namespace {

// Copies on their way into place are named after their target with this and a random suffix.
const QString kCopyInfix = QStringLiteral(".copy-");

[[noreturn]] void fail(const QString &what, const QString &path, const QString &reason)
{
    throw std::runtime_error(
        QStringLiteral("%1 %2: %3").arg(what, QDir::toNativeSeparators(path), reason).toStdString());
}

std::filesystem::path fsPath(const QString &path)
{
    const QByteArray utf8 = path.toUtf8();
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t *>(utf8.constData()), utf8.size()));
}

struct DatabaseCloser {
    void operator()(sqlite3 *db) const { sqlite3_close_v2(db); }
};
using Database = std::unique_ptr<sqlite3, DatabaseCloser>;

Database openPristine(const QString &path)
{
    sqlite3 *raw = nullptr;
    const int result = sqlite3_open_v2(QDir::fromNativeSeparators(path).toUtf8().constData(), &raw,
                                       SQLITE_OPEN_READONLY, nullptr);
    Database db(raw);
    if (result != SQLITE_OK)
        fail(QStringLiteral("Cannot read"), path, QString::fromUtf8(sqlite3_errstr(result)));
    // Read it now, so a pristine copy that is no database fails before the working copy is touched.
    if (sqlite3_exec(db.get(), "select count(*) from sqlite_schema", nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(QStringLiteral("Cannot read"), path, QString::fromUtf8(sqlite3_errmsg(db.get())));
    return db;
}

// Holds an advisory lock on an open file while its writer lives; a killed writer's lock is gone.
bool lockForWriting(QFile &file, bool wait)
{
#ifdef Q_OS_UNIX
    return ::flock(file.handle(), LOCK_EX | (wait ? 0 : LOCK_NB)) == 0;
#else
    Q_UNUSED(file);
    Q_UNUSED(wait);
    return true; // an open file cannot be removed here
#endif
}

// Removes the copies beside the target that no running writer holds: those a killed run left.
void removeLeftoverCopies(const QString &target)
{
    const QFileInfo targetInfo(target);
    const QDir folder = targetInfo.absoluteDir();
    const QStringList leftovers = folder.entryList({targetInfo.fileName() + kCopyInfix + QLatin1Char('*')},
                                                   QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : leftovers) {
        QFile leftover(folder.filePath(name));
        if (leftover.open(QIODevice::ReadOnly) && lockForWriting(leftover, false))
            QFile::remove(leftover.fileName());
    }
}

void removeStaleJournals(const QString &working)
{
    for (const char *suffix : {"-journal", "-wal", "-shm"}) {
        QFile journal(working + QLatin1String(suffix));
        if (journal.exists() && !journal.remove())
            fail(QStringLiteral("Cannot remove"), journal.fileName(), journal.errorString());
    }
}

// A whole copy of the source written beside the target, locked while it lives and removed
// unless it was put in place.
class TemporaryCopy
{
public:
    TemporaryCopy(const QString &source, const QString &target) : m_target(target)
    {
        QFile from(source);
        if (!from.open(QIODevice::ReadOnly))
            fail(QStringLiteral("Cannot read"), source, from.errorString());
        do {
            m_file.setFileName(target + kCopyInfix
                               + QString::number(QRandomGenerator::global()->generate(), 16).rightJustified(8, u'0'));
        } while (!m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly) && m_file.exists());
        if (!m_file.isOpen())
            fail(QStringLiteral("Cannot write"), target, m_file.errorString());
        lockForWriting(m_file, true);
        if (QFileInfo::exists(target))
            m_file.setPermissions(QFile::permissions(target));
        // In place it is as shared as the folder wants its entries.
        shareWithFolderGroup(m_file.fileName());

        constexpr qint64 kChunk = 1 << 20;
        while (!from.atEnd()) {
            const QByteArray chunk = from.read(kChunk);
            if (chunk.isEmpty() && from.error() != QFileDevice::NoError)
                fail(QStringLiteral("Cannot read"), source, from.errorString());
            if (m_file.write(chunk) != chunk.size())
                fail(QStringLiteral("Cannot write"), target, m_file.errorString());
        }
        if (!m_file.flush())
            fail(QStringLiteral("Cannot write"), target, m_file.errorString());
#ifdef Q_OS_UNIX
        if (::fsync(m_file.handle()) != 0)
            fail(QStringLiteral("Cannot write"), target, QString::fromLocal8Bit(std::strerror(errno)));
#endif
    }
    ~TemporaryCopy()
    {
        if (!m_placed)
            m_file.remove();
    }
    TemporaryCopy(const TemporaryCopy &) = delete;
    TemporaryCopy &operator=(const TemporaryCopy &) = delete;

    // Renames the copy over the target in one step.
    void replaceTarget()
    {
        std::error_code error;
        std::filesystem::rename(fsPath(m_file.fileName()), fsPath(m_target), error);
        if (error)
            fail(QStringLiteral("Cannot write"), m_target, QString::fromLocal8Bit(error.message()));
        m_placed = true;
        m_file.close();
    }

    // Puts the copy at the target unless a file is there already: a link cannot overwrite.
    void placeUnlessPresent()
    {
        std::error_code error;
        std::filesystem::create_hard_link(fsPath(m_file.fileName()), fsPath(m_target), error);
        if (error == std::errc::file_exists && QFileInfo(m_target).isFile())
            return;
        // A file system without links: Qt's rename does not overwrite either.
        if (error && error != std::errc::file_exists && QFile::rename(m_file.fileName(), m_target)) {
            m_placed = true;
            m_file.close();
            return;
        }
        if (error)
            fail(QStringLiteral("Cannot write"), m_target, QString::fromLocal8Bit(error.message()));
        m_file.remove();
        m_placed = true;
    }

private:
    QString m_target;
    QFile m_file;
    bool m_placed = false;
};

enum class Backup { Done, NoDatabase };

// Writes every page of the source into the working copy under the working copy's own locks.
Backup backupInto(sqlite3 *source, const QString &working)
{
    sqlite3 *raw = nullptr;
    const int opened = sqlite3_open_v2(QDir::fromNativeSeparators(working).toUtf8().constData(), &raw,
                                       SQLITE_OPEN_READWRITE, nullptr);
    Database target(raw);
    if (opened == SQLITE_CANTOPEN && !QFileInfo::exists(working))
        return Backup::NoDatabase;
    if (opened != SQLITE_OK)
        fail(QStringLiteral("Cannot write"), working, QString::fromUtf8(sqlite3_errstr(opened)));
    sqlite3_busy_timeout(target.get(), ZipConnection::kBusyTimeoutMs);
    // The pristine copy never changes while it is read: map it rather than read it page by page.
    sqlite3_exec(source, "pragma mmap_size = 268435456", nullptr, nullptr, nullptr);

    sqlite3_backup *backup = sqlite3_backup_init(target.get(), "main", source, "main");
    if (!backup)
        fail(QStringLiteral("Cannot write"), working, QString::fromUtf8(sqlite3_errmsg(target.get())));
    const int stepped = sqlite3_backup_step(backup, -1);
    sqlite3_backup_finish(backup);
    if (stepped == SQLITE_DONE)
        return Backup::Done;
    if (stepped == SQLITE_NOTADB)
        return Backup::NoDatabase;
    fail(QStringLiteral("Cannot write"), working, QString::fromUtf8(sqlite3_errmsg(target.get())));
}

} // namespace

void provisionWorkingCopy(const QString &pristine, const QString &working)
{
    refuseNetworkFolderOf(working);
    // With no working copy in place, a journal beside its path belongs to a file that is gone;
    // SQLite would apply it to the new copy.
    removeStaleJournals(working);
    removeLeftoverCopies(working);
    TemporaryCopy(pristine, working).placeUnlessPresent();
}

void resetWorkingCopy(const QString &pristine, const QString &working)
{
    refuseNetworkFolderOf(working);
    const Database source = openPristine(pristine);
    if (backupInto(source.get(), working) == Backup::Done)
        return;
    removeStaleJournals(working);
    copyDatabaseFile(pristine, working);
}

void copyDatabaseFile(const QString &source, const QString &target)
{
    removeLeftoverCopies(target);
    TemporaryCopy(source, target).replaceTarget();
}
