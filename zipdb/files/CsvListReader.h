#pragma once

#include "ListReader.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

// A list kept as text: the CSV and TSV files people save from spreadsheets, forms and scripts.
// RFC 4180 read leniently, as spreadsheets do: a quote inside an unquoted field, or after a
// closing quote, is the quote character itself. An empty line is a record of one empty field, so
// the records stay aligned with the lines of a one-column list.
class CsvListReader : public ListReader
{
public:
    // Reads the text from the device's start through once, checking it. Throws a ListRefusal.
    CsvListReader(QIODevice &device, const QString &name);
    ~CsvListReader() override;

    bool next() override;

private:
    // A record's parse, which starts again from the record's first byte when the buffer ran out.
    struct Parse;
    enum class Step { NeedMore, Separator, RecordEnd };

    void rewind();
    void refill();
    bool skipPlainLines();
    bool parseRecord();
    Step parseField(Parse &parse);
    bool parseQuoted(Parse &parse);
    Step endRecord(const Parse &parse, qsizetype end, qsizetype next, bool lineBreak);
    void checkText(qsizetype end);
    int firstLineThatIsNoUtf8(QByteArrayView text) const;
    [[noreturn]] void refuse(int line, const QString &reason) const;
    [[noreturn]] void refuseControl(int line, char byte) const;

    QIODevice &m_device;
    // The record being read begins at m_at; the bytes up to m_end were read, a NUL after them.
    std::vector<char> m_buffer;
    qsizetype m_at = 0;
    qsizetype m_end = 0;
    bool m_atDeviceEnd = false;
    int m_nextLine = 1;
    // The text up to here was checked to be UTF-8; it began on that line.
    qsizetype m_checkedUpTo = 0;
    int m_checkedLine = 1;
    // Quoted fields without their quotes; reserved for a whole record, so the views stay valid.
    std::string m_unquoted;
    char m_separator = ',';
    // Learnt while checking.
    bool m_checking = true;
    bool m_byteOrderMark = false;
    bool m_utf8 = true;
    int m_lineBreaks = 0;
    bool m_crLf = false;
    bool m_parseUntilRefill = false;
    // The bytes that end a run of plain field bytes outside and inside quotes.
    std::array<bool, 256> m_unquotedStops{};
    std::array<bool, 256> m_quotedStops{};
    std::unique_ptr<Parse> m_parse;
};
