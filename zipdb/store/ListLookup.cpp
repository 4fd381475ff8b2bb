#include "ListLookup.h"

#include "ListCsvWriter.h"
#include "ListReader.h"
#include "XlsxRowWriter.h"

#include <QLocale>

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// The longest ZIP cell read without a decoder: nearly every cell is a few ASCII bytes.
constexpr qsizetype kShortCell = 32;

bool isAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
}

// Five digits and nothing else, as most ZIP cells are; -1 for any other cell.
int plainZip(QByteArrayView cell)
{
    if (cell.size() != 5)
        return -1;
    int zip = 0;
    for (const char digit : cell) {
        if (digit < '0' || digit > '9')
            return -1;
        zip = zip * 10 + (digit - '0');
    }
    return zip;
}

// The cells a text gains after each record, rendered once a ZIP: most lists name the same ZIPs
// again and again. Answers without asking the index again, from a small table of where each ZIP's
// cells are, so that a long list of scattered ZIPs stays in the processor's cache.
class RenderedCells
{
public:
    RenderedCells(const ZipIndex &index, ListCsvWriter &out)
        : m_index(index), m_out(out), m_starts(ZipIndex::kZipCount + 1, kNotYet)
    {
    }

    // Starts fetching the ZIP's cells from memory, when they were rendered.
    void prefetch(std::optional<int> zip) const
    {
#if defined(__GNUC__)
        if (const quint32 start = m_starts[zip ? size_t(*zip) : ZipIndex::kZipCount]; start != kNotYet)
            __builtin_prefetch(m_text.data() + start);
#else
        Q_UNUSED(zip);
#endif
    }

    // How the ZIP (none for a cell that holds none) matched, and its cells as the text writes them.
    std::pair<ZipMatch, QByteArrayView> of(std::optional<int> zip)
    {
        quint32 &start = m_starts[zip ? size_t(*zip) : ZipIndex::kZipCount];
        if (start == kNotYet)
            start = render(zip);
        Header header;
        std::memcpy(&header, m_text.data() + start, sizeof(Header));
        return {header.match, QByteArrayView(m_text.data() + start + sizeof(Header), header.size)};
    }

private:
    // Before each ZIP's cells.
    struct Header {
        ZipMatch match;
        quint32 size;
    };
    static constexpr quint32 kNotYet = ~quint32(0);

    quint32 render(std::optional<int> zip)
    {
        const quint32 start = quint32(m_text.size());
        Header header{m_index.match(zip), 0};
        m_text.append(sizeof(Header), '\0');
        for (int fact = 0; fact < ZipIndex::FactCount; ++fact)
            m_out.render(header.match == ZipMatch::Found ? m_index.factView(*zip, ZipIndex::Fact(fact)) : QStringView(),
                         m_text);
        m_out.render(matchText(header.match), m_text);
        header.size = quint32(m_text.size() - start - sizeof(Header));
        std::memcpy(m_text.data() + start, &header, sizeof(Header));
        return start;
    }

    const ZipIndex &m_index;
    ListCsvWriter &m_out;
    std::vector<quint32> m_starts;
    std::string m_text;
};

} // namespace

void LookupCounts::add(ZipMatch match)
{
    switch (match) {
    case ZipMatch::Found:
        ++found;
        break;
    case ZipMatch::Unknown:
        ++unknown;
        break;
    case ZipMatch::NotAZip:
        ++notAZip;
        break;
    }
}

QString LookupCounts::summary() const
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    return QStringLiteral("%1 %2: %3 found, %4 unknown, %5 not a ZIP")
        .arg(english.toString(rows()), rows() == 1 ? QStringLiteral("row") : QStringLiteral("rows"),
             english.toString(found), english.toString(unknown), english.toString(notAZip));
}

ListLookup::ListLookup(ListReader &reader, const QString &namedColumn) : m_reader(reader)
{
    if (!m_reader.next())
        throw ListRefusal(reader.name(), 0, QStringLiteral("the list is empty"));
    try {
        m_column = findZipColumn(m_reader.texts(), namedColumn);
    } catch (const std::runtime_error &reason) {
        throw ListRefusal(reader.name(), reader.line(), QString::fromUtf8(reason.what()));
    }
    m_width = m_reader.record().size();
}

QStringList ListLookup::addedColumnNames()
{
    QStringList names;
    for (int fact = 0; fact < ZipIndex::FactCount; ++fact)
        names.append(ZipIndex::factName(ZipIndex::Fact(fact)));
    names.append(QStringLiteral("Match"));
    return names;
}

QStringList ListLookup::addedCells(const ZipIndex &index, std::optional<int> zip, ZipMatch match)
{
    QStringList cells;
    for (int fact = 0; fact < ZipIndex::FactCount; ++fact)
        cells.append(match == ZipMatch::Found ? index.fact(*zip, ZipIndex::Fact(fact)) : QString());
    cells.append(matchText(match));
    return cells;
}

std::optional<int> ListLookup::recordZip() const
{
    const ListRecord &record = m_reader.record();
    if (m_column.column >= record.size())
        return std::nullopt;
    const QByteArrayView cell = record.field(m_column.column);
    if (const int zip = plainZip(cell); zip >= 0)
        return zip;
    if (cell.size() > kShortCell || !isAscii(cell))
        return zipInCell(m_reader.text(m_column.column));
    std::array<char16_t, kShortCell> wide;
    std::copy(cell.begin(), cell.end(), wide.begin());
    return zipInCell(QStringView(wide.data(), cell.size()));
}

qsizetype ListLookup::fieldCount() const
{
    return std::max(m_reader.record().size(), m_width);
}

LookupCounts ListLookup::forEachRecord(const ZipIndex &index, const RecordTaker &take)
{
    LookupCounts counts;
    for (bool more = !m_column.firstLineIsHeader || m_reader.next(); more; more = m_reader.next()) {
        const std::optional<int> zip = recordZip();
        const ZipMatch match = index.match(zip);
        counts.add(match);
        take(zip, match);
    }
    return counts;
}

void ListLookup::addListFields(ListCsvWriter &out) const
{
    const ListRecord &record = m_reader.record();
    if (record.isPlain() && record.size() >= m_width)
        return out.addPlainText(record.plainText());
    for (qsizetype field = 0; field < fieldCount(); ++field)
        out.addField(field < record.size() ? record.field(field) : QByteArrayView());
}

void ListLookup::addListCells(XlsxRowWriter &sheet) const
{
    const ListRecord &record = m_reader.record();
    const bool utf8 = m_reader.format().encoding == ListFormat::Encoding::Utf8;
    for (qsizetype field = 0; field < fieldCount(); ++field) {
        if (!utf8)
            sheet.addText(m_reader.text(field));
        else
            sheet.addCell(field < record.size() ? record.field(field) : QByteArrayView());
    }
}

LookupCounts ListLookup::writeText(const ZipIndex &index, QIODevice &device)
{
    ListCsvWriter out(device, m_reader.format());
    if (m_column.firstLineIsHeader) {
        addListFields(out);
        for (const QString &name : addedColumnNames())
            out.addText(name);
        out.endRecord();
    }
    RenderedCells cells(index, out);
    LookupCounts counts;
    // Each record's cells are added once the next record is read, so that they are on their way
    // from memory meanwhile: a long list's ZIPs are scattered over the whole table.
    bool more = !m_column.firstLineIsHeader || m_reader.next();
    std::optional<int> zip = more ? recordZip() : std::nullopt;
    if (more)
        addListFields(out);
    while (more) {
        more = m_reader.next();
        const std::optional<int> nextZip = more ? recordZip() : std::nullopt;
        cells.prefetch(nextZip);
        const auto [match, added] = cells.of(zip);
        counts.add(match);
        out.addRendered(added);
        out.endRecord();
        if (more)
            addListFields(out);
        zip = nextZip;
    }
    out.flush();
    return counts;
}

LookupCounts ListLookup::writeSheet(const ZipIndex &index, XlsxRowWriter &sheet)
{
    if (m_column.firstLineIsHeader) {
        addListCells(sheet);
        for (const QString &name : addedColumnNames())
            sheet.addText(name);
        sheet.endRow();
    }
    return forEachRecord(index, [&](std::optional<int> zip, ZipMatch match) {
        addListCells(sheet);
        for (const QString &cell : addedCells(index, zip, match))
            sheet.addText(cell);
        sheet.endRow();
    });
}
