#include "ListCsvWriter.h"

#include "DeviceWrite.h"

#include <algorithm>

namespace {

// Written out a little at a time, so the buffer stays in the processor's cache.
constexpr size_t kFlushBytes = 256 * 1024;
// What Windows-1252's encoder puts for a character it has no byte for.
constexpr char kSubstitute = '\x1a';

} // namespace

ListCsvWriter::ListCsvWriter(QIODevice &device, const ListFormat &format)
    : m_device(device), m_format(format),
      m_encoder(format.encoding == ListFormat::Encoding::Utf8
                    ? QStringEncoder(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless)
                    : QStringEncoder("windows-1252", QStringEncoder::Flag::Stateless))
{
    for (const char special : {m_format.separator, '"', '\n', '\r'})
        m_needsQuotes[uchar(special)] = true;
    m_buffer.reserve(2 * kFlushBytes);
    if (m_format.byteOrderMark)
        m_buffer = "\xEF\xBB\xBF";
}

void ListCsvWriter::appendQuoted(std::string &out, QByteArrayView field) const
{
    if (std::none_of(field.begin(), field.end(), [this](char c) { return m_needsQuotes[uchar(c)]; })) {
        out.append(field.data(), size_t(field.size()));
        return;
    }
    out += '"';
    for (const char c : field) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

// The text in the list's encoding, valid until the next call.
QByteArrayView ListCsvWriter::encoded(QStringView text)
{
    m_encoded.resize(size_t(m_encoder.requiredSpace(text.size())));
    char *const end = m_encoder.appendToBuffer(m_encoded.data(), text);
    m_encoded.resize(size_t(end - m_encoded.data()));
    if (m_format.encoding == ListFormat::Encoding::Windows1252)
        std::replace(m_encoded.begin(), m_encoded.end(), kSubstitute, '?');
    return QByteArrayView(m_encoded.data(), qsizetype(m_encoded.size()));
}

void ListCsvWriter::addField(QByteArrayView bytes)
{
    if (m_recordStarted)
        m_buffer += m_format.separator;
    m_recordStarted = true;
    appendQuoted(m_buffer, bytes);
}

void ListCsvWriter::addPlainText(QByteArrayView text)
{
    m_buffer.append(text.data(), size_t(text.size()));
    m_recordStarted = true;
}

void ListCsvWriter::addText(QStringView text)
{
    addField(encoded(text));
}

void ListCsvWriter::render(QStringView text, std::string &fields)
{
    fields += m_format.separator;
    appendQuoted(fields, encoded(text));
}

void ListCsvWriter::addRendered(QByteArrayView fields)
{
    m_buffer.append(fields.data(), size_t(fields.size()));
}

void ListCsvWriter::endRecord()
{
    if (m_format.crLf)
        m_buffer += '\r';
    m_buffer += '\n';
    m_recordStarted = false;
    if (m_buffer.size() >= kFlushBytes)
        flush();
}

void ListCsvWriter::flush()
{
    writeAll(m_device, m_buffer.data(), qint64(m_buffer.size()));
    m_buffer.clear();
}
