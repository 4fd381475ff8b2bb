#include "DataFolder.h"

#include "AppInfo.h"
#include "FileDescriptor.h"
#include "Platform.h"
#include "StoreLocations.h"

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
    throw std::runtime_error(systemErrorText().toStdString());
}
#endif

// A folder without trailing separator plus a fixed piece below it.
QString below(const QString &folder, const QString &piece)
{
    return folder + QDir::separator() + piece;
}

// A folder as a platform reports it, fit for appending pieces.
QString cleanFolder(QString path)
{
    path.remove(QChar(0));
    path = path.trimmed();
    // Callers append their own separator.
    while (path.size() > 1 && path.endsWith(QDir::separator()))
        path.chop(1);
    return path;
}

QString vendorFolderIn(const QString &commonAppData)
{
    return below(commonAppData, appinfo::kVendor);
}

QString dataFolderIn(const QString &commonAppData)
{
    return below(vendorFolderIn(commonAppData), appinfo::kDisplayName);
}

QString workingCopyIn(const QString &commonAppData)
{
    return below(dataFolderIn(commonAppData), appinfo::kWorkingCopyFile);
}

QString pristineCopyIn(const QString &programFolder)
{
    return below(programFolder, appinfo::kPristineCopyFile);
}

} // namespace

QString specialFolderPath(Platform &platform, SpecialFolder folder)
{
    QString path;
    switch (folder) {
    case SpecialFolder::CommonAppData:
        path = platform.commonAppDataFolder();
        break;
    }
    return cleanFolder(path);
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
    // Changed through a descriptor of the entry itself: a link put in its place is refused, and
    // a FIFO does not block the open.
    const FileDescriptor entry(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!entry.isOpen())
        failWithErrno();
    shareWithFolderGroup(entry.get(), QFileInfo(path).absolutePath());
#else
    Q_UNUSED(path);
#endif
}

void shareWithFolderGroup(int entry, const QString &folder)
{
#ifdef Q_OS_UNIX
    struct stat folderStatus {};
    if (::stat(QFile::encodeName(folder).constData(), &folderStatus) != 0)
        failWithErrno();
    if (!(folderStatus.st_mode & S_ISGID))
        return;
    struct stat status {};
    if (::fstat(entry, &status) != 0)
        failWithErrno();
    if (status.st_gid != folderStatus.st_gid)
        return;
    const mode_t mode = status.st_mode & 07777;
    const mode_t search = S_ISDIR(status.st_mode) ? S_IXGRP : 0;
    const mode_t shared = (mode | S_IRGRP | S_IWGRP | search) & ~mode_t(S_IWOTH);
    if (shared != mode && ::fchmod(entry, shared) != 0)
        failWithErrno();
#else
    Q_UNUSED(entry);
    Q_UNUSED(folder);
#endif
}

namespace paths {

StoreLocations storeLocations(const QString &commonAppData, const QString &programFolder, const QString &server)
{
    const QString root = cleanFolder(commonAppData);
    return {vendorFolderIn(root), dataFolderIn(root), workingCopyIn(root), pristineCopyIn(programFolder), server};
}

StoreLocations storeLocations(Platform &platform)
{
    return storeLocations(platform.commonAppDataFolder(), platform.programFolder(), platform.serverSetting());
}

QString vendorFolder(Platform &platform)
{
    return vendorFolderIn(specialFolderPath(platform, SpecialFolder::CommonAppData));
}

QString dataFolder(Platform &platform)
{
    return dataFolderIn(specialFolderPath(platform, SpecialFolder::CommonAppData));
}

QString workingCopy(Platform &platform)
{
    return workingCopyIn(specialFolderPath(platform, SpecialFolder::CommonAppData));
}

QString pristineCopy(Platform &platform)
{
    return pristineCopyIn(platform.programFolder());
}

QString cursorFile(Platform &platform)
{
    return below(platform.programFolder(), appinfo::kCursorFile);
}

QString skinFile(Platform &platform)
{
    return below(platform.programFolder(), QStringLiteral("x") + QDir::separator() + QStringLiteral("o.cjs"));
}

QString documentationPage(Platform &platform)
{
    return below(below(platform.programFolder(), appinfo::kDocumentationFolder), appinfo::kDocumentationPage);
}

} // namespace paths
