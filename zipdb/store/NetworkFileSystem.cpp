#include "NetworkFileSystem.h"

#include "ServerSetting.h"

#include <QFile>
#include <QFileInfo>

#include <stdexcept>

#ifdef Q_OS_LINUX
#include <linux/gfs2_ondisk.h>
#include <linux/magic.h>
#include <sys/vfs.h>
#endif

namespace {

#ifdef Q_OS_LINUX
struct NetworkFileSystem {
    quint32 type;
    const char *name;
};

// GFS2 and OCFS2 share one disk between machines rather than a network protocol, but put a
// SQLite file where several machines write it all the same; that is what the server is for.
constexpr NetworkFileSystem kNetworkFileSystems[] = {
    {NFS_SUPER_MAGIC, "nfs"},
    {SMB_SUPER_MAGIC, "smb"},
    {SMB2_SUPER_MAGIC, "smb2"},
    {CIFS_SUPER_MAGIC, "cifs"},
    {AFS_SUPER_MAGIC, "afs"},
    {AFS_FS_MAGIC, "afs"},
    {CODA_SUPER_MAGIC, "coda"},
    {NCP_SUPER_MAGIC, "ncp"},
    {V9FS_MAGIC, "9p"},
    {CEPH_SUPER_MAGIC, "ceph"},
    {0x0BD00BD0, "lustre"}, // Lustre's own, not in the kernel's headers
    {GFS2_MAGIC, "gfs2"},
    {OCFS2_SUPER_MAGIC, "ocfs2"},
};
#endif

} // namespace

QString networkFileSystemName(quint32 fileSystemType)
{
#ifdef Q_OS_LINUX
    for (const NetworkFileSystem &network : kNetworkFileSystems)
        if (network.type == fileSystemType)
            return QString::fromLatin1(network.name);
#else
    Q_UNUSED(fileSystemType);
#endif
    return {};
}

QString networkFolderRefusal(const QString &folder, quint32 fileSystemType)
{
    const QString name = networkFileSystemName(fileSystemType);
    if (name.isEmpty())
        return {};
    return QStringLiteral("The data folder %1 lies on a network file system (%2), where SQLite's locking is "
                          "unreliable: Quillmap neither copies its working copy there nor opens it. To share one "
                          "ZIP list across machines, name a PostgreSQL server in %3 ([database] server=...).")
        .arg(folder, name, serverSettingFile());
}

void refuseNetworkFolderOf(const QString &databaseFile)
{
#ifdef Q_OS_LINUX
    const QString folder = QFileInfo(databaseFile).absolutePath();
    struct statfs fileSystem {};
    if (::statfs(QFile::encodeName(folder).constData(), &fileSystem) != 0)
        return;
    // f_type is a 32-bit magic number whatever the width of the field.
    const QString refusal = networkFolderRefusal(folder, static_cast<quint32>(fileSystem.f_type));
    if (!refusal.isEmpty())
        throw std::runtime_error(refusal.toStdString());
#else
    Q_UNUSED(databaseFile);
#endif
}
