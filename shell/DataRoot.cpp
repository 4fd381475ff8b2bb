#include "DataRoot.h"

#include "AppInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// The program may create or write its data folder below the root: the deepest of the data
// folder, the vendor folder and the root that exists is a folder it can write.
bool mayWriteBelow(const QString &root)
{
    const QString vendor = root + QDir::separator() + appinfo::kVendor;
    for (const QString &path : {vendor + QDir::separator() + appinfo::kDisplayName, vendor, root}) {
        const QFileInfo info(path);
        if (info.exists())
            return info.isDir() && info.isWritable();
    }
    return false;
}

} // namespace

QString chooseDataRoot(const QString &machineWide, const QString &userData)
{
    if (!machineWide.isEmpty() && mayWriteBelow(machineWide))
        return machineWide;
    if (userData.isEmpty() || !QDir().mkpath(userData))
        return {};
    return QDir::toNativeSeparators(userData);
}

QString machineDataRoot()
{
#ifdef Q_OS_LINUX
    const QString machineWide = QStringLiteral("/var/lib");
#else
    const QString machineWide;
#endif
    return chooseDataRoot(machineWide, QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
}

QString executableFolder()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}
