#include "ZipDataFile.h"

#include "CsvRecords.h"
#include "PlainText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringTokenizer>

#include <algorithm>
#include <array>
#include <bitset>
#include <numeric>
#include <stdexcept>

namespace {

constexpr int kGeoNamesFields = 12;
// The GeoNames fields of a place: admin name 2 (the county), latitude and longitude.
constexpr int kGeoNamesCounty = 5;
constexpr int kGeoNamesLatitude = 9;
constexpr int kGeoNamesLongitude = 10;
// A CSV's header: ZIP,City,State, or those and County,Latitude,Longitude.
constexpr int kCsvRowColumns = 3;
constexpr int kCsvPlaceColumns = 6;
// The USPS codes of the states, DC, the territories, the freely associated states and the
// military "states".
const QLatin1String kStateCodes("AA AE AK AL AP AR AS AZ CA CO CT DC DE FL FM GA GU HI IA ID IL IN KS KY LA "
                                "MA MD ME MH MI MN MO MP MS MT NC ND NE NH NJ NM NV NY OH OK OR PA PR PW RI "
                                "SC SD TN TX UT VA VI VT WA WI WV WY");

// A file that cannot be read as ZIP data: the line (0 for the whole file) and the reason; the
// reader names the file.
struct Refusal {
    int line;
    QString reason;
};

bool isZip(QStringView text)
{
    return text.size() == 5 && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

constexpr int kLetters = 26;
constexpr int kCodes = kLetters * kLetters;

// Two capital letters as a number below kCodes, or -1.
int codeNumber(QStringView text)
{
    const auto letter = [](QChar c) { return c >= u'A' && c <= u'Z'; };
    if (text.size() != 2 || !letter(text[0]) || !letter(text[1]))
        return -1;
    return (text[0].unicode() - 'A') * kLetters + text[1].unicode() - 'A';
}

bool isStateCode(QStringView text)
{
    static const std::bitset<kCodes> known = [] {
        std::bitset<kCodes> codes;
        for (qsizetype i = 0; i + 1 < kStateCodes.size(); i += 3)
            codes.set(size_t((kStateCodes[i].unicode() - 'A') * kLetters + kStateCodes[i + 1].unicode() - 'A'));
        return codes;
    }();
    const int code = codeNumber(text);
    return code >= 0 && known.test(size_t(code));
}

QString quoted(QStringView text)
{
    return QLatin1Char('"') + shownText(text) + QLatin1Char('"');
}

QString codeText(int number)
{
    return QString(QChar(u'A' + number / kLetters)) + QChar(u'A' + number % kLetters);
}

// The USPS military state of a ZIP, or nothing outside the military ranges.
QString militaryState(QStringView zip)
{
    const int prefix = zip.left(3).toInt();
    if (prefix >= 90 && prefix <= 98)
        return QStringLiteral("AE");
    if (prefix == 340)
        return QStringLiteral("AA");
    if (prefix >= 962 && prefix <= 966)
        return QStringLiteral("AP");
    return {};
}

// APO, FPO or DPO when the place begins with that word, in any letter case; else nothing.
QString militaryCity(QStringView place)
{
    const QString word = place.left(3).toString().toUpper();
    const QChar next = place.size() > 3 ? place[3] : QChar(u' ');
    const bool wordEnds = !(next.isLetterOrNumber() && next.unicode() < 128) && next != u'_';
    if (wordEnds && (word == u"APO" || word == u"FPO" || word == u"DPO"))
        return word;
    return {};
}

// Adds the rows the rules make of a file's lines to it.
class RowCollector
{
public:
    explicit RowCollector(ZipDataFile &target) : file(target) {}

    // Adds the row; true when it is the first of its ZIP, whose line gives the ZIP's place.
    bool add(int line, QStringView zip, QStringView city, QStringView state);

    ZipDataFile &file;

private:
    void noteState(int line, QStringView state);
    bool noteZip(int line, QStringView zip, QStringView state);

    // The rows of one state mostly come together: they share one text and one entry of the states.
    QString m_lastState;
    LineRange *m_lastStateLines = nullptr;
    // The line a ZIP is first met on and its state's code number, by the ZIP's number.
    struct FirstRow {
        int line = 0;
        int state = 0;
    };
    std::vector<FirstRow> m_firstRows;
};

bool RowCollector::add(int line, QStringView zip, QStringView city, QStringView state)
{
    if (!isZip(zip))
        throw Refusal{line, QStringLiteral("bad ZIP %1: a ZIP is five digits").arg(quoted(zip))};
    const QStringView name = city.trimmed();
    if (name.isEmpty())
        throw Refusal{line, QStringLiteral("empty city for %1").arg(zip)};
    for (const auto &[text, what] : {std::pair(name, "city"), std::pair(state, "state")})
        if (const QString refusal = plainTextRefusal(text, QLatin1StringView(what), zip); !refusal.isEmpty())
            throw Refusal{line, refusal};
    if (!isStateCode(state))
        throw Refusal{line, QStringLiteral("unknown state code %1 for %2").arg(quoted(state), zip)};
    noteState(line, state);
    file.rows.append(zip, name, m_lastState);
    return noteZip(line, zip, state);
}

void RowCollector::noteState(int line, QStringView state)
{
    if (state != m_lastState) {
        m_lastState = state.toString();
        m_lastStateLines = &file.states[m_lastState];
        if (m_lastStateLines->first == 0)
            m_lastStateLines->first = line;
    }
    m_lastStateLines->last = line;
}

// A ZIP lies in one state: a second state for it is refused with both lines.
bool RowCollector::noteZip(int line, QStringView zip, QStringView state)
{
    constexpr int kZips = 100'000;
    if (m_firstRows.empty())
        m_firstRows.resize(kZips);
    const size_t number = size_t(std::accumulate(zip.begin(), zip.end(), 0, [](int n, QChar digit) {
        return n * 10 + digit.unicode() - '0';
    }));
    FirstRow &first = m_firstRows[number];
    if (first.line == 0) {
        first = {line, codeNumber(state)};
        return true;
    }
    if (first.state != codeNumber(state))
        throw Refusal{line, QStringLiteral("%1 in %2, where line %3 puts it in %4: a ZIP lies in one state")
                                .arg(zip, state, QString::number(first.line), codeText(first.state))};
    return false;
}

// Every line's place is checked; only a ZIP's first line gives its place (GeoNames has one line a
// ZIP; a second would be the same spot under another name).
void addPlace(ZipDataFile &file, bool firstOfZip, int line, QStringView zip, QStringView county,
              QStringView latitude, QStringView longitude)
{
    try {
        ZipPlace place = placeFromText(zip, county, latitude, longitude);
        if (firstOfZip)
            file.places.push_back(std::move(place));
    } catch (const std::runtime_error &bad) {
        throw Refusal{line, QString::fromUtf8(bad.what())};
    }
}

void readGeoNamesLine(RowCollector &rows, int line, QStringView text)
{
    // Split by hand: a tokenizer's search for one character costs more than the rest of the line.
    std::array<QStringView, kGeoNamesFields> fields;
    qsizetype count = 0;
    qsizetype start = 0;
    for (qsizetype at = 0; at <= text.size(); ++at) {
        if (at < text.size() && text[at] != u'\t')
            continue;
        if (count < kGeoNamesFields)
            fields[count] = text.sliced(start, at - start);
        ++count;
        start = at + 1;
    }
    if (count != kGeoNamesFields)
        throw Refusal{
            line, QStringLiteral("%1 TAB-separated fields where a GeoNames dump has %2").arg(count).arg(kGeoNamesFields)};
    if (fields[0] != u"US")
        throw Refusal{line, QStringLiteral("country code %1 where a dump for the US has US").arg(quoted(fields[0]))};
    const QStringView zip = fields[1];
    const QStringView place = fields[2];
    const QStringView stateCode = fields[4];
    bool firstOfZip = false;
    if (!stateCode.isEmpty()) {
        firstOfZip = rows.add(line, zip, place, stateCode);
    } else {
        const QString city = militaryCity(place);
        if (city.isEmpty())
            throw Refusal{line, QStringLiteral("no state code for %1, which is no APO, FPO or DPO place").arg(quoted(place))};
        const QString state = militaryState(zip);
        if (state.isEmpty() && isZip(zip))
            return rows.file.dropped.push_back({zip.toString(), place.toString(), {}});
        firstOfZip = rows.add(line, zip, city, state); // refuses a bad ZIP
    }
    addPlace(rows.file, firstOfZip, line, zip, fields[kGeoNamesCounty], fields[kGeoNamesLatitude],
             fields[kGeoNamesLongitude]);
}

void readGeoNames(ZipDataFile &file, QStringView text)
{
    RowCollector rows(file);
    int line = 0;
    for (QStringView each : QStringTokenizer(text, u'\n')) {
        ++line;
        if (each.endsWith(u'\r'))
            each.chop(1);
        if (!each.isEmpty())
            readGeoNamesLine(rows, line, each);
    }
}

// The columns of a CSV header, or 0 when the fields are none.
int csvHeaderColumns(const QStringList &fields)
{
    const auto named = [&](int column, QStringView name) {
        return fields[column].trimmed().compare(name, Qt::CaseInsensitive) == 0;
    };
    if (fields.size() != kCsvRowColumns && fields.size() != kCsvPlaceColumns)
        return 0;
    if (!(named(0, u"ZIP") || named(0, u"ZipCode")) || !named(1, u"City") || !named(2, u"State"))
        return 0;
    if (fields.size() == kCsvPlaceColumns && !(named(3, u"County") && named(4, u"Latitude") && named(5, u"Longitude")))
        return 0;
    return int(fields.size());
}

void readCsv(ZipDataFile &file, CsvRecords &records, int columns)
{
    RowCollector rows(file);
    QStringList fields;
    try {
        while (records.next(fields)) {
            if (fields.size() != columns)
                throw Refusal{records.line(), QStringLiteral("%1 fields where the header has %2").arg(fields.size()).arg(columns)};
            const QStringView zip = QStringView(fields[0]).trimmed();
            const bool firstOfZip = rows.add(records.line(), zip, fields[1], fields[2].trimmed().toUpper());
            if (columns == kCsvPlaceColumns)
                addPlace(file, firstOfZip, records.line(), zip, fields[3], fields[4], fields[5]);
        }
    } catch (const std::runtime_error &bad) {
        throw Refusal{records.line(), QString::fromUtf8(bad.what())};
    }
}

// The first line that is not UTF-8 text, counted from 1, or 0 when every line is.
int firstLineThatIsNoText(const QByteArray &bytes)
{
    int line = 0;
    for (const QByteArray &each : bytes.split('\n')) {
        ++line;
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = decoder(each);
        if (decoder.hasError() || text.contains(QChar(0)))
            return line;
    }
    return 0;
}

// The bytes are let go once decoded; the rows take no more room than the bytes they come from.
void read(ZipDataFile &file, QByteArray bytes)
{
    if (bytes.isEmpty())
        throw Refusal{0, QStringLiteral("the file is empty")};
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError() || text.contains(QChar(0)))
        throw Refusal{firstLineThatIsNoText(bytes), QStringLiteral("not UTF-8 text: binary data")};
    file.rows.reserve(std::count(bytes.cbegin(), bytes.cend(), '\n') + 1, bytes.size());
    bytes = QByteArray();
    if (text.startsWith(QChar::ByteOrderMark))
        text.remove(0, 1);

    CsvRecords records(text);
    QStringList header;
    try {
        records.next(header);
    } catch (const std::runtime_error &) {
        header.clear();
    }
    if (const int columns = csvHeaderColumns(header)) {
        file.format = ZipDataFile::Format::ZipCsv;
        readCsv(file, records, columns);
    } else if (text.left(text.indexOf(u'\n')).count(u'\t') == kGeoNamesFields - 1) {
        file.format = ZipDataFile::Format::GeoNamesDump;
        readGeoNames(file, text);
    } else {
        throw Refusal{0, QStringLiteral("neither a GeoNames postal-code dump (12 TAB-separated fields a line) "
                                        "nor a CSV whose first line is ZIP,City,State")};
    }
    if (file.rows.empty())
        throw Refusal{0, QStringLiteral("the file holds no ZIP rows")};
}

} // namespace

ZipDataFileRefusal::ZipDataFileRefusal(const QString &file, int line, const QString &reason)
    : std::runtime_error((line > 0 ? QStringLiteral("%1, line %2: %3").arg(file).arg(line).arg(reason)
                                   : QStringLiteral("%1: %2").arg(file, reason))
                             .toStdString()),
      m_line(line), m_reason(reason)
{
}

ZipDataFile readZipDataFile(QIODevice &device, const QString &name)
{
    // Read one byte more than allowed, so a file that grew since it was measured is caught too.
    const qint64 size = device.isSequential() ? 0 : device.size();
    QByteArray bytes = size > kMaxZipDataFileBytes ? QByteArray() : device.read(kMaxZipDataFileBytes + 1);
    if (size > kMaxZipDataFileBytes || bytes.size() > kMaxZipDataFileBytes)
        throw ZipDataFileRefusal(name, 0,
                                 QStringLiteral("the file is %1 MB; a ZIP data file is at most %2 MB")
                                     .arg(std::max(size, qint64(bytes.size())) / (1024 * 1024))
                                     .arg(kMaxZipDataFileBytes / (1024 * 1024)));
    const auto *file = qobject_cast<const QFileDevice *>(&device);
    if (file && file->error() != QFileDevice::NoError)
        throw ZipDataFileRefusal(name, 0, device.errorString());
    ZipDataFile data;
    data.name = name;
    try {
        read(data, std::move(bytes));
    } catch (const Refusal &refusal) {
        throw ZipDataFileRefusal(name, refusal.line, refusal.reason);
    }
    return data;
}

ZipDataFile readZipDataFile(const QString &path)
{
    const QString name = QDir::toNativeSeparators(path);
    if (QFileInfo::exists(path) && !QFileInfo(path).isFile())
        throw ZipDataFileRefusal(name, 0, QStringLiteral("not a file"));
    QFile source(path);
    if (!source.open(QIODevice::ReadOnly))
        throw ZipDataFileRefusal(name, 0, source.errorString());
    ZipDataFile data = readZipDataFile(source, name);
    data.modified = source.fileTime(QFileDevice::FileModificationTime).date();
    return data;
}

void sortUnique(std::vector<ZipRow> &rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
}
