#include "DataFolder.h"

#include "AppInfo.h"
#include "Platform.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <stdexcept>
#include <system_error>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_UNIX
[[noreturn]] void failWithErrno()
{
    throw std::runtime_error(std::generic_category().message(errno));
}

// Owns an open file descriptor.
class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};
#endif

// A folder without trailing separator plus a fixed piece below it.
QString below(const QString &folder, const QString &piece)
{
    return folder + QDir::separator() + piece;
}

} // namespace

QString specialFolderPath(Platform &platform, int folder)
{
    if (folder != kCommonAppData)
        return {};
    QString path = platform.commonAppDataFolder();
    path.remove(QChar(0));
    path = path.trimmed();
    // Callers append their own separator.
    while (path.size() > 1 && path.endsWith(QDir::separator()))
        path.chop(1);
    return path;
}

bool fileExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    return QFileInfo(path).lastModified().isValid();
}

bool entryExists(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

void createFolder(const QString &path)
{
    std::error_code error;
    std::filesystem::create_directory(std::filesystem::path(path.toStdU16String()), error);
    if (error)
        throw std::runtime_error(error.message());
    shareWithFolderGroup(path);
}

void shareWithFolderGroup(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat folder {};
    if (::stat(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), &folder) != 0)
        failWithErrno();
    if (!(folder.st_mode & S_ISGID))
        return;
    // Changed through a descriptor of the entry itself: a link put in its place is refused, and
    // a FIFO does not block the open.
    const Descriptor entry(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (entry.get() < 0)
        failWithErrno();
    struct stat status {};
    if (::fstat(entry.get(), &status) != 0)
        failWithErrno();
    if (status.st_gid != folder.st_gid)
        return;
    const mode_t mode = status.st_mode & 07777;
    const mode_t search = S_ISDIR(status.st_mode) ? S_IXGRP : 0;
    const mode_t shared = (mode | S_IRGRP | S_IWGRP | search) & ~mode_t(S_IWOTH);
    if (shared != mode && ::fchmod(entry.get(), shared) != 0)
        failWithErrno();
#else
    Q_UNUSED(path);
#endif
}

namespace paths {

QString vendorFolder(Platform &platform)
{
    return below(specialFolderPath(platform, kCommonAppData), appinfo::kVendor);
}

QString dataFolder(Platform &platform)
{
    return below(vendorFolder(platform), appinfo::kDisplayName);
}

QString workingCopy(Platform &platform)
{
    return below(dataFolder(platform), appinfo::kWorkingCopyFile);
}

QString pristineCopy(Platform &platform)
{
    return below(platform.programFolder(), appinfo::kPristineCopyFile);
}

QString cursorFile(Platform &platform)
{
    return below(platform.programFolder(), appinfo::kCursorFile);
}

QString skinFile(Platform &platform)
{
    return below(platform.programFolder(), QStringLiteral("x") + QDir::separator() + QStringLiteral("o.cjs"));
}

} // namespace paths
