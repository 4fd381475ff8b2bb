#include "ListReader.h"

#include "CsvListReader.h"
#include "XlsxListReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {

// What every .xlsx begins with: a zip archive's first local header.
const QByteArray kZipSignature = QByteArrayLiteral("PK\x03\x04");
constexpr qint64 kCopyChunkBytes = 1024 * 1024;

// A copy of what the device holds on disk, so that it can be read twice.
std::unique_ptr<QTemporaryFile> spoolOf(QIODevice &device, const QString &name)
{
    auto spool = std::make_unique<QTemporaryFile>();
    if (!spool->open())
        throw ListRefusal(name, 0, QStringLiteral("cannot keep a copy to read: %1").arg(spool->errorString()));
    QByteArray chunk(kCopyChunkBytes, Qt::Uninitialized);
    for (qint64 read; (read = device.read(chunk.data(), chunk.size())) != 0;) {
        if (read < 0)
            throw ListRefusal(name, 0, device.errorString());
        if (spool->write(chunk.constData(), read) != read)
            throw ListRefusal(name, 0, QStringLiteral("cannot keep a copy to read: %1").arg(spool->errorString()));
    }
    if (!spool->seek(0))
        throw ListRefusal(name, 0, spool->errorString());
    return spool;
}

} // namespace

ListRefusal::ListRefusal(const QString &list, int line, const QString &reason)
    : std::runtime_error((line > 0 ? QStringLiteral("%1, line %2: %3").arg(list).arg(line).arg(reason)
                                   : QStringLiteral("%1: %2").arg(list, reason))
                             .toStdString()),
      m_line(line), m_reason(reason)
{
}

ListReader::ListReader(const QString &name) : m_name(name), m_decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless)
{
}

ListReader::~ListReader() = default;

std::unique_ptr<ListReader> ListReader::open(QIODevice &device, const QString &name)
{
    std::unique_ptr<QTemporaryFile> spool;
    if (device.isSequential())
        spool = spoolOf(device, name);
    QIODevice &source = spool ? *spool : device;
    std::unique_ptr<ListReader> reader;
    if (source.peek(kZipSignature.size()) == kZipSignature)
        reader = std::make_unique<XlsxListReader>(source, name);
    else
        reader = std::make_unique<CsvListReader>(source, name);
    reader->m_spool = std::move(spool);
    return reader;
}

void ListReader::setFormat(const ListFormat &format)
{
    m_format = format;
    constexpr auto kStateless = QStringDecoder::Flag::Stateless;
    m_decoder = format.encoding == ListFormat::Encoding::Utf8 ? QStringDecoder(QStringDecoder::Utf8, kStateless)
                                                               : QStringDecoder("windows-1252", kStateless);
}

QString ListReader::text(qsizetype field) const
{
    if (field >= m_record.size())
        return {};
    return m_decoder.decode(m_record.field(field));
}

QStringList ListReader::texts() const
{
    QStringList fields;
    fields.reserve(m_record.size());
    for (qsizetype field = 0; field < m_record.size(); ++field)
        fields.append(text(field));
    return fields;
}

std::unique_ptr<QFile> openListFile(const QString &path)
{
    const QString name = QDir::toNativeSeparators(path);
    if (QFileInfo::exists(path) && !QFileInfo(path).isFile())
        throw ListRefusal(name, 0, QStringLiteral("not a file"));
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw ListRefusal(name, 0, file->errorString());
    return file;
}
