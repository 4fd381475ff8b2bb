#include "DataFolder.h"

#include "AppInfo.h"
#include "Platform.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace {

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
