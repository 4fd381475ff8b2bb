#include "PrivateFolder.h"

#include "FileDescriptor.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

[[noreturn]] void failToUse(const QString &path, const QString &reason)
{
    throw std::runtime_error(QStringLiteral("Cannot use %1: %2").arg(QDir::toNativeSeparators(path), reason).toStdString());
}

} // namespace

QString preparePrivateFolder(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        failToUse(path, systemErrorText());
    const FileDescriptor folder(::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder.isOpen())
        failToUse(path, systemErrorText());
    struct stat status {};
    if (::fstat(folder.get(), &status) != 0)
        failToUse(path, systemErrorText());
    if (status.st_uid != ::geteuid())
        failToUse(path, QStringLiteral("it belongs to another user"));
    if ((status.st_mode & 07777) != 0700 && ::fchmod(folder.get(), 0700) != 0)
        failToUse(path, systemErrorText());
    return path;
}

void removeFilesOlderThan(const QString &folder, std::chrono::seconds age)
{
    const QDateTime oldest = QDateTime::currentDateTimeUtc().addSecs(-age.count());
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &entry : entries) {
        // A link here is none of the program's files, whatever the age of what it names.
        if (entry.isSymLink() || entry.lastModified() < oldest)
            QFile::remove(entry.filePath());
    }
}
