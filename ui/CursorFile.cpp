#include "CursorFile.h"

#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QtEndian>

#include <stdexcept>

namespace {

// ICONDIR (6 bytes) followed by the first ICONDIRENTRY (16 bytes); for cursors the entry's
// planes and bit-count fields hold the hotspot.
constexpr qsizetype kHeaderSize = 22;
constexpr quint16 kCursorType = 2;

quint16 word(const QByteArray &bytes, qsizetype offset)
{
    return qFromLittleEndian<quint16>(bytes.constData() + offset);
}

} // namespace

QCursor loadCursorFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(file.errorString().toStdString());
    const QByteArray bytes = file.readAll();
    // An icon or anything else is not the cursor the hover shows: refused as the old picture
    // loader refused it.
    if (bytes.size() < kHeaderSize || word(bytes, 0) != 0 || word(bytes, 2) != kCursorType || word(bytes, 4) == 0)
        throw std::runtime_error("Invalid picture");
    const QImage image = QImage::fromData(bytes, "cur");
    if (image.isNull())
        throw std::runtime_error("Invalid picture");
    return QCursor(QPixmap::fromImage(image), word(bytes, 10), word(bytes, 12));
}
