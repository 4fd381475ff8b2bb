#include "XlsxListReader.h"

#include <QDir>
#include <QIODevice>
#include <QXmlStreamReader>

#include <zip.h>

#include <cerrno>
#include <optional>
#include <string>
#include <vector>

namespace {

// The most columns a sheet has (XFD).
constexpr int kMaxColumns = 16384;
constexpr int kLettersInColumnName = 26;

struct ArchiveDiscard {
    // Read only: discarding writes nothing back.
    void operator()(zip_t *archive) const { zip_discard(archive); }
};
using ArchiveHandle = std::unique_ptr<zip_t, ArchiveDiscard>;
struct SourceFree {
    void operator()(zip_source_t *source) const { zip_source_free(source); }
};
struct FileClose {
    void operator()(zip_file_t *file) const { zip_fclose(file); }
};

[[noreturn]] void refuseList(const QString &name, const QString &reason)
{
    throw ListRefusal(name, 0, reason);
}

// What libzip needs to read an archive through a device.
struct DeviceSource {
    QIODevice &device;
    zip_error_t error;
};

zip_int64_t failSource(DeviceSource &source, int zipError)
{
    zip_error_set(&source.error, zipError, EIO);
    return -1;
}

zip_int64_t seekSource(DeviceSource &source, void *data, zip_uint64_t length)
{
    const zip_int64_t to = zip_source_seek_compute_offset(zip_uint64_t(source.device.pos()),
                                                          zip_uint64_t(source.device.size()), data, length, &source.error);
    if (to < 0)
        return -1;
    return source.device.seek(to) ? 0 : failSource(source, ZIP_ER_SEEK);
}

zip_int64_t statSource(DeviceSource &source, void *data)
{
    auto *stat = static_cast<zip_stat_t *>(data);
    zip_stat_init(stat);
    stat->size = zip_uint64_t(source.device.size());
    stat->valid |= ZIP_STAT_SIZE;
    return sizeof(*stat);
}

zip_int64_t readSource(void *state, void *data, zip_uint64_t length, zip_source_cmd_t command)
{
    DeviceSource &source = *static_cast<DeviceSource *>(state);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        return source.device.seek(0) ? 0 : failSource(source, ZIP_ER_SEEK);
    case ZIP_SOURCE_READ: {
        const qint64 read = source.device.read(static_cast<char *>(data), qint64(length));
        return read < 0 ? failSource(source, ZIP_ER_READ) : read;
    }
    case ZIP_SOURCE_SEEK:
        return seekSource(source, data, length);
    case ZIP_SOURCE_TELL:
        return source.device.pos();
    case ZIP_SOURCE_STAT:
        return statSource(source, data);
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&source.error, data, length);
    case ZIP_SOURCE_CLOSE:
    case ZIP_SOURCE_FREE:
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL,
                                              ZIP_SOURCE_SUPPORTS, -1);
    default:
        return failSource(source, ZIP_ER_OPNOTSUPP);
    }
}

// One member of the archive, read as it inflates.
class ZipMember : public QIODevice
{
public:
    ZipMember(zip_t *archive, const QString &path) : m_file(zip_fopen(archive, path.toUtf8().constData(), 0))
    {
        if (m_file)
            open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 size) override { return zip_fread(m_file.get(), data, zip_uint64_t(size)); }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    std::unique_ptr<zip_file_t, FileClose> m_file;
};

// A relationship's target, from the archive's root.
QString memberPath(const QString &target)
{
    return target.startsWith(u'/') ? target.mid(1) : QDir::cleanPath(QStringLiteral("xl/") + target);
}

// Appends the character data up to the current element's end; false when the text would grow
// past what a line of a list holds.
bool appendElementText(QXmlStreamReader &xml, QString &text)
{
    while (!xml.atEnd() && xml.readNext() != QXmlStreamReader::EndElement) {
        if (xml.isCharacters())
            text += xml.text();
        if (text.size() > ListReader::kMaxLineBytes)
            return false;
    }
    return true;
}

// The text of the <t> elements inside the current element up to its end, the phonetic runs
// (<rPh>) left out: a shared or inline string, plain or rich. None when it grows too long.
std::optional<QString> stringText(QXmlStreamReader &xml)
{
    QString text;
    for (int depth = 1; depth > 0 && !xml.atEnd();) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement)
            --depth;
        else if (token != QXmlStreamReader::StartElement)
            continue;
        else if (xml.name() == u"t" && !appendElementText(xml, text))
            return std::nullopt;
        else if (xml.name() == u"rPh")
            xml.skipCurrentElement();
        else if (xml.name() != u"t")
            ++depth;
    }
    return text;
}

// The text of a cell's value (<v>) or inline string (<is>), up to the cell's end; none when it
// grows too long.
std::optional<QString> cellText(QXmlStreamReader &xml)
{
    std::optional<QString> value = QString();
    for (int depth = 1; depth > 0 && value && !xml.atEnd();) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement)
            --depth;
        else if (token != QXmlStreamReader::StartElement)
            continue;
        else if (xml.name() == u"v" && !appendElementText(xml, *value))
            value.reset();
        else if (xml.name() == u"is")
            value = stringText(xml);
        else if (xml.name() != u"v")
            xml.skipCurrentElement();
    }
    return value;
}

// The column of a cell reference such as "AB12", counted from 0; -1 when it names none.
int columnOf(QStringView reference)
{
    int column = 0;
    for (const QChar c : reference) {
        if (c < u'A' || c > u'Z')
            break;
        column = column * kLettersInColumnName + (c.unicode() - u'A' + 1);
        if (column > kMaxColumns)
            return -1;
    }
    return column - 1;
}

} // namespace

// The archive, the first sheet's path and the shared strings every row may name.
class XlsxListReader::Archive
{
public:
    Archive(QIODevice &device, const QString &name);

    zip_t *get() const { return m_archive.get(); }
    const QString &sheetPath() const { return m_sheetPath; }
    // The shared string, in UTF-8; refuses an index the workbook holds none for.
    QByteArrayView sharedString(QStringView index) const;
    [[noreturn]] void refuse(const QString &reason) const { refuseList(m_name, reason); }
    void checkRead(const QXmlStreamReader &xml, const QString &path) const;

private:
    void readSheetPaths();
    void readSharedStrings(const QString &path);

    QString m_name;
    DeviceSource m_source;
    ArchiveHandle m_archive;
    QString m_sheetPath;
    std::string m_sharedText;
    std::vector<quint32> m_sharedEnds;
};

XlsxListReader::Archive::Archive(QIODevice &device, const QString &name) : m_name(name), m_source{device, {}}
{
    zip_error_init(&m_source.error);
    zip_error_t error;
    zip_error_init(&error);
    std::unique_ptr<zip_source_t, SourceFree> source(zip_source_function_create(readSource, &m_source, &error));
    if (source)
        m_archive.reset(zip_open_from_source(source.get(), ZIP_RDONLY, &error));
    const QString reason = QString::fromUtf8(zip_error_strerror(&error));
    zip_error_fini(&error);
    if (!m_archive)
        refuse(QStringLiteral("not an .xlsx workbook: %1").arg(reason));
    source.release(); // the archive owns it now
    readSheetPaths();
}

void XlsxListReader::Archive::checkRead(const QXmlStreamReader &xml, const QString &path) const
{
    if (xml.hasError())
        refuse(QStringLiteral("not an .xlsx workbook: %1, line %2: %3").arg(path).arg(xml.lineNumber()).arg(xml.errorString()));
}

// The first sheet, as xl/workbook.xml lists the sheets, found through the workbook's relationships.
void XlsxListReader::Archive::readSheetPaths()
{
    const QString workbookPath = QStringLiteral("xl/workbook.xml");
    ZipMember workbook(get(), workbookPath);
    if (!workbook.isOpen())
        refuse(QStringLiteral("not an .xlsx workbook: it holds no %1").arg(workbookPath));
    QXmlStreamReader xml(&workbook);
    QString sheetId;
    while (sheetId.isEmpty() && xml.readNext() != QXmlStreamReader::Invalid && !xml.atEnd())
        if (xml.isStartElement() && xml.name() == u"sheet")
            for (const QXmlStreamAttribute &attribute : xml.attributes())
                if (attribute.name() == u"id" && !attribute.namespaceUri().isEmpty())
                    sheetId = attribute.value().toString();
    checkRead(xml, workbookPath);

    const QString relationsPath = QStringLiteral("xl/_rels/workbook.xml.rels");
    ZipMember relations(get(), relationsPath);
    QXmlStreamReader links(&relations);
    QString sharedStringsPath;
    while (relations.isOpen() && !links.atEnd())
        if (links.readNext() == QXmlStreamReader::StartElement && links.name() == u"Relationship") {
            const QXmlStreamAttributes link = links.attributes();
            if (link.value(QLatin1String("Id")) == sheetId)
                m_sheetPath = memberPath(link.value(QLatin1String("Target")).toString());
            if (link.value(QLatin1String("Type")).endsWith(u"/sharedStrings"))
                sharedStringsPath = memberPath(link.value(QLatin1String("Target")).toString());
        }
    checkRead(links, relationsPath);
    if (m_sheetPath.isEmpty())
        refuse(QStringLiteral("not an .xlsx workbook: no sheet found through %1").arg(relationsPath));
    if (!sharedStringsPath.isEmpty())
        readSharedStrings(sharedStringsPath);
}

void XlsxListReader::Archive::readSharedStrings(const QString &path)
{
    ZipMember strings(get(), path);
    QXmlStreamReader xml(&strings);
    while (strings.isOpen() && !xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"si")
            continue;
        const std::optional<QString> text = stringText(xml);
        if (!text)
            refuse(QStringLiteral("a shared string of more than 1 MiB"));
        m_sharedText += text->toStdString();
        m_sharedEnds.push_back(quint32(m_sharedText.size()));
        if (qsizetype(m_sharedText.size() + m_sharedEnds.size() * sizeof(quint32)) > kMaxSharedStringBytes)
            refuse(QStringLiteral("its shared strings hold more than %1 MiB").arg(kMaxSharedStringBytes / (1024 * 1024)));
    }
    checkRead(xml, path);
}

QByteArrayView XlsxListReader::Archive::sharedString(QStringView index) const
{
    bool isNumber = false;
    const qsizetype at = index.toLongLong(&isNumber);
    if (!isNumber || at < 0 || at >= qsizetype(m_sharedEnds.size()))
        refuse(QStringLiteral("not an .xlsx workbook: a cell names shared string %1, which is not there").arg(index));
    const quint32 begin = at == 0 ? 0 : m_sharedEnds[at - 1];
    return QByteArrayView(m_sharedText.data() + begin, m_sharedEnds[at] - begin);
}

// The sheet's rows that hold a value, read one at a time.
class XlsxListReader::SheetRows
{
public:
    explicit SheetRows(const Archive &archive) : m_archive(archive), m_sheet(archive.get(), archive.sheetPath())
    {
        if (!m_sheet.isOpen())
            m_archive.refuse(QStringLiteral("not an .xlsx workbook: it holds no %1").arg(archive.sheetPath()));
        m_xml.setDevice(&m_sheet);
    }

    // Reads the next row that holds a value into the record and gives its number; false after the last.
    bool next(ListRecord &record, int &row);

private:
    void readCells(int row);
    void appendCell(int row);
    void endCell() { m_ends.push_back(qsizetype(m_text.size())); }

    const Archive &m_archive;
    ZipMember m_sheet;
    QXmlStreamReader m_xml;
    int m_lastRow = 0;
    // The row's cells, one after another, and where each ends.
    std::string m_text;
    std::vector<qsizetype> m_ends;
};

bool XlsxListReader::SheetRows::next(ListRecord &record, int &row)
{
    while (!m_xml.atEnd()) {
        if (m_xml.readNext() != QXmlStreamReader::StartElement || m_xml.name() != u"row")
            continue;
        const int numbered = m_xml.attributes().value(QLatin1String("r")).toInt();
        row = m_lastRow = numbered > m_lastRow ? numbered : m_lastRow + 1;
        readCells(row);
        if (m_ends.empty())
            continue;
        record.clear();
        for (size_t cell = 0; cell < m_ends.size(); ++cell) {
            const qsizetype begin = cell == 0 ? 0 : m_ends[cell - 1];
            record.addField(QByteArrayView(m_text.data() + begin, m_ends[cell] - begin));
        }
        return true;
    }
    m_archive.checkRead(m_xml, m_archive.sheetPath());
    return false;
}

void XlsxListReader::SheetRows::readCells(int row)
{
    m_text.clear();
    m_ends.clear();
    while (!m_xml.atEnd() && !(m_xml.readNext() == QXmlStreamReader::EndElement && m_xml.name() == u"row"))
        if (m_xml.isStartElement() && m_xml.name() == u"c")
            appendCell(row);
}

// Appends the cell's text as its field, after empty fields for the columns it skips.
void XlsxListReader::SheetRows::appendCell(int row)
{
    const QXmlStreamAttributes cell = m_xml.attributes();
    const QStringView reference = cell.value(QLatin1String("r"));
    const int column = reference.isEmpty() ? int(m_ends.size()) : columnOf(reference);
    if (column < 0 || column < qsizetype(m_ends.size()))
        m_archive.refuse(QStringLiteral("sheet row %1: a cell at %2, which is no column after the last").arg(row).arg(reference));
    const QString type = cell.value(QLatin1String("t")).toString();
    const std::optional<QString> value = cellText(m_xml);
    if (!value)
        m_archive.refuse(QStringLiteral("sheet row %1: a cell of more than 1 MiB").arg(row));
    if (value->isEmpty())
        return;
    while (qsizetype(m_ends.size()) < column)
        endCell();
    if (type == u"s") {
        const QByteArrayView shared = m_archive.sharedString(*value);
        m_text.append(shared.data(), size_t(shared.size()));
    } else {
        m_text += (type != u"b" ? *value : QLatin1String(*value == u"1" ? "TRUE" : "FALSE")).toStdString();
    }
    endCell();
    if (qsizetype(m_text.size()) > kMaxLineBytes)
        m_archive.refuse(QStringLiteral("sheet row %1 holds more than 1 MiB").arg(row));
}

XlsxListReader::XlsxListReader(QIODevice &device, const QString &name)
    : ListReader(name), m_archive(std::make_unique<Archive>(device, name))
{
    ListFormat format;
    format.workbook = true;
    setFormat(format);
    startSheet();
    while (next()) {
    }
    startSheet();
}

XlsxListReader::~XlsxListReader() = default;

void XlsxListReader::startSheet()
{
    m_rows.reset();
    m_rows = std::make_unique<SheetRows>(*m_archive);
    m_line = m_heldRow = 0;
}

bool XlsxListReader::next()
{
    if (m_heldRow == 0 && !m_rows->next(m_held, m_heldRow))
        return false;
    if (m_line == 0)
        m_line = m_heldRow - 1; // the empty rows above the first are no records
    ++m_line;
    if (m_line < m_heldRow) {
        m_record.clear();
        m_record.addField({});
        return true;
    }
    std::swap(m_record, m_held);
    m_heldRow = 0;
    return true;
}
