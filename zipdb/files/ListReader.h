#pragma once

#include "ListRecord.h"

#include <QString>
#include <QStringDecoder>
#include <QStringList>

#include <memory>
#include <stdexcept>

class QFile;
class QIODevice;
class QTemporaryFile;

// How a list is written, learnt while reading it, so that what is written back reads the same way.
struct ListFormat {
    enum class Encoding { Utf8, Windows1252 };

    Encoding encoding = Encoding::Utf8;
    // UTF-8's byte-order mark at the start, as spreadsheets write it.
    bool byteOrderMark = false;
    // Comma, semicolon or tab.
    char separator = ',';
    // The first line ends in CR LF rather than LF.
    bool crLf = false;
    // Read from a workbook's first sheet: UTF-8 text, commas and LF when written out as a text.
    bool workbook = false;
};

// Why a list cannot be read. what() is the text a person reads: the list, the line when one is at
// fault, and the reason.
class ListRefusal : public std::runtime_error
{
public:
    // Line 0 stands for the whole list.
    ListRefusal(const QString &list, int line, const QString &reason);

    int line() const { return m_line; }
    const QString &reason() const { return m_reason; }

private:
    int m_line;
    QString m_reason;
};

// Reads a person's list record by record: a CSV or TSV text (comma, semicolon or tab separated,
// RFC 4180 quoting, CR LF or LF, UTF-8 with or without a byte-order mark, or Windows-1252 where it
// is no UTF-8), or the first sheet of an .xlsx workbook. It holds one record at a time, whatever
// the list's size. Readers are made by open() only.
class ListReader
{
public:
    // The most one line (and one record) of a text list holds.
    static constexpr qsizetype kMaxLineBytes = 1024 * 1024;

    virtual ~ListReader();
    ListReader(const ListReader &) = delete;
    ListReader &operator=(const ListReader &) = delete;

    // A reader of the list the open device holds from its start; a workbook is told by its first
    // bytes. Reads the list through once to check it and learn its format, so that a list is
    // refused before anything of it is written; a device that cannot seek (standard input) is
    // first copied to a temporary file. The device must outlive the reader. Throws a ListRefusal
    // naming the list by `name`: a line over kMaxLineBytes, a quote that never closes, a NUL or
    // another control character (no text), UTF-8 that breaks after its byte-order mark, a workbook
    // that cannot be read.
    static std::unique_ptr<ListReader> open(QIODevice &device, const QString &name);

    // Reads the next record; false after the last. Throws a ListRefusal when the device fails.
    virtual bool next() = 0;
    const ListRecord &record() const { return m_record; }
    // A field of the record as text; the empty text past its last field.
    QString text(qsizetype field) const;
    QStringList texts() const;
    // The line the record began on, counted from 1; a workbook's sheet row.
    int line() const { return m_line; }
    const ListFormat &format() const { return m_format; }
    const QString &name() const { return m_name; }

protected:
    explicit ListReader(const QString &name);
    // Sets the encoding that text() decodes.
    void setFormat(const ListFormat &format);

    ListRecord m_record;
    int m_line = 0;

private:
    QString m_name;
    ListFormat m_format;
    mutable QStringDecoder m_decoder;
    std::unique_ptr<QTemporaryFile> m_spool;
};

// The list file at the path, opened for reading. Refuses without reading it what is no regular
// file (a folder, a pipe, a device), so nothing keeps the caller waiting. Throws a ListRefusal.
std::unique_ptr<QFile> openListFile(const QString &path);
