#include "DeviceWrite.h"

#include <QFileDevice>
#include <QSaveFile>

#include <stdexcept>

namespace {

[[noreturn]] void failWriting(QIODevice &device)
{
    // A buffered file keeps what it could not write; writing it again makes the system tell why.
    if (auto *file = qobject_cast<QFileDevice *>(&device); file && file->isOpen())
        file->flush();
    throw std::runtime_error(device.errorString().toStdString());
}

} // namespace

void writeAll(QIODevice &device, const char *data, qint64 size)
{
    while (size > 0) {
        const qint64 written = device.write(data, size);
        if (written <= 0)
            failWriting(device);
        data += written;
        size -= written;
    }
}

void flushAll(QIODevice &device)
{
    if (auto *file = qobject_cast<QFileDevice *>(&device); file && !file->flush())
        failWriting(device);
}

void openForWriting(QIODevice &device)
{
    if (!device.open(QIODevice::WriteOnly))
        throw std::runtime_error(device.errorString().toStdString());
}

void commitAll(QSaveFile &file)
{
    flushAll(file);
    if (!file.commit())
        throw std::runtime_error(file.errorString().toStdString());
}
