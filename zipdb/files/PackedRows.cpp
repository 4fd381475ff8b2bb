#include "PackedRows.h"

#include <QByteArray>

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace {

constexpr char kSeparator = '\0';
constexpr std::string_view kReplacement("\xEF\xBF\xBD");

bool isPlainAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() > 0 && c.unicode() < 0x80; });
}

} // namespace

void PackedRows::reserve(qsizetype rows, qsizetype bytes)
{
    m_rows.reserve(size_t(rows));
    m_bytes.reserve(size_t(bytes));
}

void PackedRows::append(QStringView zip, QStringView city, QStringView state, qint64 id)
{
    const size_t at = startRow(id);
    appendText(zip);
    m_bytes += kSeparator;
    appendText(city);
    m_bytes += kSeparator;
    appendText(state);
    endRow(at);
}

void PackedRows::append(std::string_view zip, std::string_view city, std::string_view state, qint64 id)
{
    const size_t at = startRow(id);
    appendText(zip);
    m_bytes += kSeparator;
    appendText(city);
    m_bytes += kSeparator;
    appendText(state);
    endRow(at);
}

void PackedRows::appendText(QStringView text)
{
    if (isPlainAscii(text)) {
        const size_t at = m_bytes.size();
        m_bytes.resize(at + size_t(text.size()));
        std::transform(text.begin(), text.end(), m_bytes.begin() + qsizetype(at), [](QChar c) { return char(c.unicode()); });
        return;
    }
    const QByteArray utf8 = text.toUtf8();
    appendText(std::string_view(utf8.constData(), size_t(utf8.size())));
}

void PackedRows::appendText(std::string_view text)
{
    for (size_t nul; (nul = text.find(kSeparator)) != std::string_view::npos; text.remove_prefix(nul + 1)) {
        m_bytes += text.substr(0, nul);
        m_bytes += kReplacement;
    }
    m_bytes += text;
}

size_t PackedRows::startRow(qint64 id)
{
    if (m_keepsIds)
        m_bytes.append(reinterpret_cast<const char *>(&id), sizeof id);
    return m_bytes.size();
}

void PackedRows::endRow(size_t at)
{
    if (m_bytes.size() > std::numeric_limits<quint32>::max())
        throw std::length_error("more ZIP rows than an import can hold");
    m_rows.push_back({quint32(at), quint32(m_bytes.size() - at)});
}

qint64 PackedRows::id(qsizetype row) const
{
    qint64 id = 0;
    if (m_keepsIds)
        std::memcpy(&id, m_bytes.data() + m_rows[size_t(row)].at - sizeof id, sizeof id);
    return id;
}

std::string_view PackedRows::key(qsizetype row) const
{
    return keyOf(m_rows[size_t(row)]);
}

std::string_view PackedRows::keyOf(const Entry &entry) const
{
    return std::string_view(m_bytes.data() + entry.at, entry.size);
}

std::string_view PackedRows::zip(qsizetype row) const
{
    const std::string_view all = key(row);
    return all.substr(0, all.find(kSeparator));
}

std::string_view PackedRows::city(qsizetype row) const
{
    const std::string_view all = key(row);
    const size_t start = all.find(kSeparator) + 1;
    return all.substr(start, all.find(kSeparator, start) - start);
}

std::string_view PackedRows::state(qsizetype row) const
{
    const std::string_view all = key(row);
    return all.substr(all.rfind(kSeparator) + 1);
}

ZipRow PackedRows::row(qsizetype row) const
{
    return {textOf(zip(row)), textOf(city(row)), textOf(state(row))};
}

std::vector<ZipRow> PackedRows::unpacked() const
{
    std::vector<ZipRow> rows;
    rows.reserve(m_rows.size());
    for (qsizetype i = 0; i < size(); ++i)
        rows.push_back(row(i));
    return rows;
}

void PackedRows::sort()
{
    const auto byKey = [this](const Entry &a, const Entry &b) { return keyOf(a) < keyOf(b); };
    // Files and tables keep their rows mostly in ZIP order: only the rows out of order need sorting.
    const auto sortedUpTo = std::is_sorted_until(m_rows.begin(), m_rows.end(), byKey);
    std::sort(sortedUpTo, m_rows.end(), byKey);
    std::inplace_merge(m_rows.begin(), sortedUpTo, m_rows.end(), byKey);
}

void PackedRows::sortUnique()
{
    sort();
    const auto duplicates = std::unique(m_rows.begin(), m_rows.end(),
                                        [this](const Entry &a, const Entry &b) { return keyOf(a) == keyOf(b); });
    m_rows.erase(duplicates, m_rows.end());
}

bool sameRows(const PackedRows &some, RowRange these, const PackedRows &others, RowRange those)
{
    if (these.count != those.count)
        return false;
    for (qsizetype i = 0; i < these.count; ++i)
        if (some.key(these.first + i) != others.key(those.first + i))
            return false;
    return true;
}

QString textOf(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}
