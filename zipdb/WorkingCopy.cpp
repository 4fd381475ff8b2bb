#include "WorkingCopy.h"

#include "DataFolder.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <stdexcept>

namespace {

[[noreturn]] void fail(const QString &what, const QString &path, const QString &reason)
{
    throw std::runtime_error(
        QStringLiteral("%1 %2: %3").arg(what, QDir::toNativeSeparators(path), reason).toStdString());
}

} // namespace

void copyDatabaseFile(const QString &source, const QString &target)
{
    QFile from(source);
    if (!from.open(QIODevice::ReadOnly))
        fail(QStringLiteral("Cannot read"), source, from.errorString());
    QSaveFile to(target);
    if (!to.open(QIODevice::WriteOnly))
        fail(QStringLiteral("Cannot write"), target, to.errorString());

    constexpr qint64 kChunk = 1 << 20;
    while (!from.atEnd()) {
        const QByteArray chunk = from.read(kChunk);
        if (chunk.isEmpty() && from.error() != QFileDevice::NoError)
            fail(QStringLiteral("Cannot read"), source, from.errorString());
        if (to.write(chunk) != chunk.size())
            fail(QStringLiteral("Cannot write"), target, to.errorString());
    }
    if (!to.commit())
        fail(QStringLiteral("Cannot write"), target, to.errorString());
    shareWithFolderGroup(target);
}
