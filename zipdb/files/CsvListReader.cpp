#include "CsvListReader.h"

#include <QIODevice>

#include <algorithm>
#include <cstring>

namespace {

// Room for a record of kMaxLineBytes and for reading on after it.
constexpr qsizetype kBufferBytes = 2 * ListReader::kMaxLineBytes;
// Read a little at a time, so what is read is still in the processor's cache when it is parsed.
constexpr qsizetype kReadBytes = 256 * 1024;
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr qsizetype kByteOrderMarkBytes = 3;

// Text holds no control characters but tabs and line breaks.
bool isControl(uchar byte)
{
    return byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r';
}

// The separator of the first line: the most frequent of comma, semicolon and tab outside quotes;
// a comma when it holds none (a single column).
char separatorOf(QByteArrayView text)
{
    int commas = 0, semicolons = 0, tabs = 0;
    bool quoted = false;
    for (const char c : text) {
        if (c == '"')
            quoted = !quoted;
        else if (c == '\n' && !quoted)
            break;
        else if (!quoted) {
            commas += c == ',';
            semicolons += c == ';';
            tabs += c == '\t';
        }
    }
    if (tabs > commas && tabs >= semicolons)
        return '\t';
    return semicolons > commas ? ';' : ',';
}

bool hasLongLine(QByteArrayView lines)
{
    for (qsizetype start = 0; lines.size() - start > ListReader::kMaxLineBytes;) {
        const qsizetype end = lines.indexOf('\n', start);
        if (end - start > ListReader::kMaxLineBytes)
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace

struct CsvListReader::Parse {
    qsizetype at = 0;
    int lineBreaks = 0;
    bool plain = true;
    bool inQuotes = false;
    int quoteLine = 0;
};

CsvListReader::CsvListReader(QIODevice &device, const QString &name)
    : ListReader(name), m_device(device), m_buffer(kBufferBytes + 1), m_parse(std::make_unique<Parse>())
{
    // A record's unquoted fields never outgrow the buffer, so their views stay where they are.
    m_unquoted.reserve(kBufferBytes);
    rewind();
    m_byteOrderMark = m_end >= kByteOrderMarkBytes && std::memcmp(m_buffer.data(), kByteOrderMark, kByteOrderMarkBytes) == 0;
    m_at = m_byteOrderMark ? kByteOrderMarkBytes : 0;
    m_separator = separatorOf(QByteArrayView(m_buffer.data() + m_at, m_end - m_at));
    for (int byte = 0; byte < 256; ++byte) {
        m_unquotedStops[byte] = isControl(byte) || byte == '\n' || byte == '\r' || byte == '"' || byte == uchar(m_separator);
        m_quotedStops[byte] = isControl(byte) || byte == '\n' || byte == '"';
    }
    while (skipPlainLines() || next()) {
    }
    checkText(m_end);
    ListFormat format;
    format.encoding = m_utf8 ? ListFormat::Encoding::Utf8 : ListFormat::Encoding::Windows1252;
    format.byteOrderMark = m_byteOrderMark;
    format.separator = m_separator;
    format.crLf = m_crLf;
    setFormat(format);
    m_checking = false;
    rewind();
    m_at = m_byteOrderMark ? kByteOrderMarkBytes : 0;
}

CsvListReader::~CsvListReader() = default;

void CsvListReader::rewind()
{
    if (!m_device.seek(0))
        refuse(0, m_device.errorString());
    m_at = m_end = 0;
    m_atDeviceEnd = false;
    m_nextLine = m_checkedLine = 1;
    m_checkedUpTo = 0;
    refill();
}

// Moves the record begun to the buffer's start and reads on after it.
void CsvListReader::refill()
{
    if (m_checking)
        checkText(m_at);
    m_checkedUpTo = 0;
    std::memmove(m_buffer.data(), m_buffer.data() + m_at, size_t(m_end - m_at));
    m_end -= m_at;
    m_at = 0;
    const qint64 read = m_device.read(m_buffer.data() + m_end, std::min(kReadBytes, kBufferBytes - m_end));
    if (read < 0)
        refuse(0, m_device.errorString());
    m_end += qsizetype(read);
    m_atDeviceEnd = read == 0;
    m_parseUntilRefill = false;
    m_buffer[m_end] = '\0'; // stops every run of plain bytes at the end
}

// While checking, the whole lines read that hold no quote and no control character are passed
// over at once: each is a record, whatever its fields. False when none was; the records read are
// then parsed one by one up to the next read, so a list quoted throughout is looked at once.
bool CsvListReader::skipPlainLines()
{
    if (m_parseUntilRefill)
        return false;
    m_parseUntilRefill = true;
    const QByteArrayView read(m_buffer.data() + m_at, m_end - m_at);
    const qsizetype lastBreak = read.lastIndexOf('\n');
    if (lastBreak < 0)
        return false;
    const QByteArrayView lines = read.first(lastBreak + 1);
    // Counted without a branch, so the compiler makes it a vector loop.
    int belowSpace = 0, tabsAndBreaks = 0, breaks = 0;
    for (const char c : lines) {
        const uchar byte = uchar(c);
        belowSpace += byte < 0x20;
        tabsAndBreaks += (byte == '\t') | (byte == '\r') | (byte == '\n');
        breaks += byte == '\n';
    }
    if (belowSpace != tabsAndBreaks || lines.contains('"') || hasLongLine(lines))
        return false;
    if (const qsizetype firstBreak = lines.indexOf('\n'); m_lineBreaks == 0)
        m_crLf = firstBreak > 0 && lines[firstBreak - 1] == '\r';
    m_parseUntilRefill = false;
    m_lineBreaks += breaks;
    m_nextLine += breaks;
    m_at += lines.size();
    return true;
}

bool CsvListReader::next()
{
    if (m_at == m_end && !m_atDeviceEnd)
        refill();
    if (m_at == m_end)
        return false;
    while (!parseRecord()) {
        if (m_end - m_at > kMaxLineBytes)
            refuse(m_parse->inQuotes ? m_parse->quoteLine : m_nextLine + m_parse->lineBreaks,
                   m_parse->inQuotes ? QStringLiteral("a quoted field of more than 1 MiB: a quote that never closes?")
                                     : QStringLiteral("a line of more than 1 MiB"));
        refill();
    }
    return true;
}

// Reads the record at m_at into m_record; false when the buffer ends before the record does.
bool CsvListReader::parseRecord()
{
    Parse &parse = *m_parse;
    parse.at = m_at;
    parse.lineBreaks = 0;
    parse.plain = true;
    parse.inQuotes = false;
    m_record.clear();
    m_unquoted.clear();
    for (;;) {
        switch (parseField(parse)) {
        case Step::NeedMore:
            return false;
        case Step::Separator:
            continue;
        case Step::RecordEnd:
            return true;
        }
    }
}

// Reads a field and what ends it.
CsvListReader::Step CsvListReader::parseField(Parse &parse)
{
    const char *data = m_buffer.data();
    const qsizetype start = parse.at;
    const qsizetype unquotedStart = qsizetype(m_unquoted.size());
    const bool quoted = parse.at < m_end && data[parse.at] == '"';
    if (quoted && !parseQuoted(parse))
        return Step::NeedMore;
    const auto addField = [&] {
        m_record.addField(quoted ? QByteArrayView(m_unquoted.data() + unquotedStart, qsizetype(m_unquoted.size()) - unquotedStart)
                                 : QByteArrayView(data + start, parse.at - start));
    };
    for (;;) {
        qsizetype run = parse.at;
        while (!m_unquotedStops[uchar(data[run])])
            ++run;
        if (quoted)
            m_unquoted.append(data + parse.at, size_t(run - parse.at));
        parse.at = run;
        const bool atEnd = run == m_end || (data[run] == '\r' && run + 1 == m_end);
        if (atEnd && !m_atDeviceEnd)
            return Step::NeedMore;
        if (run == m_end) {
            addField();
            return endRecord(parse, run, run, false);
        }
        const char stop = data[run];
        if (stop == m_separator) {
            addField();
            ++parse.at;
            return Step::Separator;
        }
        if (stop == '\n' || (stop == '\r' && run + 1 < m_end && data[run + 1] == '\n')) {
            addField();
            return endRecord(parse, run, run + (stop == '\r' ? 2 : 1), true);
        }
        if (isControl(uchar(stop)))
            refuseControl(m_nextLine + parse.lineBreaks, stop);
        // A quote inside an unquoted field, or a CR alone: the character itself.
        parse.plain = false;
        if (quoted)
            m_unquoted += stop;
        ++parse.at;
    }
}

// Reads a quoted field's text after its opening quote, up to and with its closing quote; false
// when the buffer ends first.
bool CsvListReader::parseQuoted(Parse &parse)
{
    const char *data = m_buffer.data();
    parse.plain = false;
    parse.inQuotes = true;
    parse.quoteLine = m_nextLine + parse.lineBreaks;
    ++parse.at;
    for (;;) {
        qsizetype run = parse.at;
        while (!m_quotedStops[uchar(data[run])])
            ++run;
        m_unquoted.append(data + parse.at, size_t(run - parse.at));
        parse.at = run;
        if (run == m_end && !m_atDeviceEnd)
            return false;
        if (run == m_end)
            refuse(parse.quoteLine, QStringLiteral("a quote that never closes"));
        const char stop = data[run];
        if (stop == '\n') {
            m_unquoted += '\n';
            ++parse.lineBreaks;
            ++parse.at;
            continue;
        }
        if (stop != '"')
            refuseControl(m_nextLine + parse.lineBreaks, stop);
        if (run + 1 == m_end && !m_atDeviceEnd)
            return false;
        if (run + 1 < m_end && data[run + 1] == '"') {
            m_unquoted += '"'; // a doubled quote
            parse.at += 2;
            continue;
        }
        parse.at = run + 1;
        parse.inQuotes = false;
        return true;
    }
}

// Makes the fields read the record, which ends at `end` (before its line break) and is followed
// by the next at `next`.
CsvListReader::Step CsvListReader::endRecord(const Parse &parse, qsizetype end, qsizetype next, bool lineBreak)
{
    if (end - m_at > kMaxLineBytes)
        refuse(m_nextLine, parse.plain ? QStringLiteral("a line of more than 1 MiB")
                                       : QStringLiteral("a record of more than 1 MiB"));
    if (parse.plain)
        m_record.setPlainText(QByteArrayView(m_buffer.data() + m_at, end - m_at));
    if (lineBreak && m_lineBreaks++ == 0)
        m_crLf = next - end == 2;
    m_line = m_nextLine;
    m_nextLine += parse.lineBreaks + (lineBreak ? 1 : 0);
    m_at = next;
    return Step::RecordEnd;
}

// Text that is no UTF-8 is a spreadsheet's Windows-1252, unless it began by saying it was UTF-8.
// Checks the records read up to `end` at once: no record ends inside a UTF-8 sequence.
void CsvListReader::checkText(qsizetype end)
{
    const QByteArrayView text(m_buffer.data() + m_checkedUpTo, end - m_checkedUpTo);
    if (m_utf8 && !text.isValidUtf8()) {
        if (m_byteOrderMark)
            refuse(firstLineThatIsNoUtf8(text), QStringLiteral("not UTF-8 text, though it begins with UTF-8's byte-order mark"));
        m_utf8 = false;
    }
    if (m_byteOrderMark)
        m_checkedLine += int(text.count('\n'));
    m_checkedUpTo = end;
}

int CsvListReader::firstLineThatIsNoUtf8(QByteArrayView text) const
{
    int line = m_checkedLine;
    for (qsizetype start = 0; start < text.size(); ++line) {
        const qsizetype end = text.indexOf('\n', start);
        if (!text.sliced(start, (end < 0 ? text.size() : end) - start).isValidUtf8())
            return line;
        start = end < 0 ? text.size() : end + 1;
    }
    return line;
}

void CsvListReader::refuse(int line, const QString &reason) const
{
    throw ListRefusal(name(), line, reason);
}

void CsvListReader::refuseControl(int line, char byte) const
{
    refuse(line, byte == '\0' ? QStringLiteral("a NUL byte: this is no text")
                              : QStringLiteral("a control character (0x%1): this is no text")
                                    .arg(uchar(byte), 2, 16, QLatin1Char('0')));
}
