#pragma once

#include "ListReader.h"

#include <QByteArray>
#include <QStringEncoder>

#include <array>
#include <string>

class QIODevice;

// Writes records as a list's own text: its encoding (UTF-8's byte-order mark where the list had
// one), separator and line break, each field quoted as RFC 4180 requires. A workbook's list is
// written as UTF-8 with commas. Buffers what it writes; flush() writes the rest to the device,
// which the caller owns and opened.
class ListCsvWriter
{
public:
    ListCsvWriter(QIODevice &device, const ListFormat &format);

    // A field as a record of the list holds it, in the list's encoding.
    void addField(QByteArrayView bytes);
    // A record's fields written as the list holds them already (ListRecord::plainText()), as the
    // record's first fields.
    void addPlainText(QByteArrayView text);
    // A field's text, encoded in the list's encoding; a character it has no byte for becomes '?'.
    void addText(QStringView text);
    // Appends the text to `fields` as a field that follows others, ready for addRendered(): a
    // lookup's columns are rendered once a ZIP, not once a record.
    void render(QStringView text, std::string &fields);
    // Fields render() made, after at least one field of the record.
    void addRendered(QByteArrayView fields);
    // Ends the record with the list's line break; writes out a full buffer.
    void endRecord();
    // Writes out what the buffer holds. Throws std::runtime_error with the device's reason.
    void flush();

private:
    void appendQuoted(std::string &out, QByteArrayView field) const;
    QByteArrayView encoded(QStringView text);

    QIODevice &m_device;
    ListFormat m_format;
    QStringEncoder m_encoder;
    std::string m_buffer;
    std::string m_encoded;
    bool m_recordStarted = false;
    // The bytes that make a field need quotes.
    std::array<bool, 256> m_needsQuotes{};
};
