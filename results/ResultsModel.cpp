#include "ResultsModel.h"

#include <algorithm>

#include <limits>
#include <stdexcept>

namespace {

// A row or column the list does not hold, asked for by a walk the list changed under: it fails
// as the old list control did, with the text its error box showed.
[[noreturn]] void invalidIndex()
{
    throw std::out_of_range("Index out of bounds");
}

// The list's text is found by 32-bit places: more than that is refused before it is added.
void checkRoom(const QString &text, qsizetype adding)
{
    if (text.size() + adding > qsizetype(std::numeric_limits<quint32>::max()))
        throw std::length_error("The list is too long.");
}

} // namespace

ResultsModel::Appender::Cell &ResultsModel::Appender::Cell::operator=(QStringView text)
{
    m_appender.last().cells[m_column] = m_appender.add(text);
    return *this;
}

ResultsModel::Appender::Cell &ResultsModel::Appender::Cell::operator=(QUtf8StringView text)
{
    m_appender.last().cells[m_column] = m_appender.add(text);
    return *this;
}

ResultsModel::Span ResultsModel::Appender::add(QStringView text)
{
    checkRoom(m_text, text.size());
    const Span span{quint32(m_text.size()), quint32(text.size())};
    m_text.append(text);
    return span;
}

ResultsModel::Span ResultsModel::Appender::add(QUtf8StringView text)
{
    const auto *bytes = reinterpret_cast<const uchar *>(text.data());
    // Nearly every cell of the store is ASCII, which widens byte for byte; a decoder made for each
    // cell would cost more than the rest of the row.
    if (!std::all_of(bytes, bytes + text.size(), [](uchar byte) { return byte < 0x80; }))
        return add(QString::fromUtf8(text.data(), text.size()));
    checkRoom(m_text, text.size());
    const qsizetype start = m_text.size();
    if (m_text.capacity() < start + text.size())
        m_text.reserve(std::max(2 * m_text.capacity(), start + text.size()));
    m_text.resize(start + text.size());
    std::copy(bytes, bytes + text.size(), reinterpret_cast<char16_t *>(m_text.data()) + start);
    return {quint32(start), quint32(text.size())};
}

void ResultsModel::Appender::addRow(QStringView zip, QStringView city, QStringView state)
{
    m_pending.push_back(Row{{add(zip), add(city), add(state)}});
}

void ResultsModel::Appender::addRow(QUtf8StringView zip)
{
    m_pending.push_back(Row{{add(zip), Span(), Span()}});
}

ResultsModel::Appender::LastRow ResultsModel::Appender::lastRow()
{
    last();
    return {Cell(*this, 0), Cell(*this, 1), Cell(*this, 2)};
}

void ResultsModel::Appender::setLastMiles(double miles)
{
    last();
    m_miles.resize(m_pending.size(), -1);
    m_miles.back() = miles;
}

ResultsModel::Row &ResultsModel::Appender::last()
{
    if (m_pending.empty())
        invalidIndex();
    return m_pending.back();
}

void ResultsModel::Appender::commit()
{
    m_model.append(std::move(m_pending), m_text, std::move(m_miles));
    m_pending.clear();
    m_text.clear();
    m_miles.clear();
}

void ResultsModel::addColumn(const QString &caption)
{
    const int column = columnCount();
    beginInsertColumns({}, column, column);
    m_headers.push_back(caption);
    endInsertColumns();
}

void ResultsModel::clear()
{
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_text = QString();
    m_miles = {};
    endResetModel();
}

void ResultsModel::append(std::vector<Row> &&rows, const QString &text, std::vector<double> &&miles)
{
    if (rows.empty())
        return;
    const int first = rowCount();
    if (!miles.empty()) {
        m_miles.resize(m_rows.size(), -1);
        miles.resize(rows.size(), -1);
        m_miles.insert(m_miles.end(), miles.begin(), miles.end());
    }
    beginInsertRows({}, first, first + int(rows.size()) - 1);
    if (m_rows.empty()) {
        m_rows = std::move(rows);
        m_text = text;
    } else {
        checkRoom(m_text, text.size());
        const auto shift = quint32(m_text.size());
        m_text.append(text);
        for (Row &row : rows) {
            for (Span &cell : row.cells)
                cell.start += shift;
            m_rows.push_back(row);
        }
    }
    endInsertRows();
}

void ResultsModel::setTicked(const QList<int> &rows, bool ticked)
{
    for (int row : rows) {
        if (row < 0 || row >= rowCount())
            continue;
        m_rows[row].ticked = ticked;
        const QModelIndex tick = index(row, 0);
        emit dataChanged(tick, tick, {Qt::CheckStateRole});
    }
}

void ResultsModel::setAllTicked(bool ticked)
{
    if (m_rows.empty())
        return;
    for (Row &row : m_rows)
        row.ticked = ticked;
    emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::CheckStateRole});
}

const QString &ResultsModel::header(int column) const
{
    if (column < 0 || size_t(column) >= m_headers.size())
        invalidIndex();
    return m_headers[column];
}

const ResultsModel::Row &ResultsModel::rowAt(int row) const
{
    if (row < 0 || size_t(row) >= m_rows.size())
        invalidIndex();
    return m_rows[row];
}

QStringView ResultsModel::field(const Row &row, int column) const
{
    if (column < 0 || size_t(column) >= row.cells.size())
        invalidIndex();
    const Span cell = row.cells[size_t(column)];
    return QStringView(m_text).sliced(cell.start, cell.size);
}

QStringView ResultsModel::cellView(int row, int column) const
{
    return field(rowAt(row), column);
}

bool ResultsModel::hasMiles() const
{
    return !m_miles.empty() && m_miles.front() >= 0;
}

std::optional<double> ResultsModel::miles(int row) const
{
    rowAt(row);
    const double miles = size_t(row) < m_miles.size() ? m_miles[size_t(row)] : -1;
    return miles >= 0 ? std::optional(miles) : std::nullopt;
}

bool ResultsModel::ticked(int row) const
{
    return rowAt(row).ticked;
}

int ResultsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ResultsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_headers.size());
}

QVariant ResultsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || size_t(index.row()) >= m_rows.size() || index.column() >= 3)
        return {};
    const Row &row = m_rows[index.row()];
    if (role == Qt::DisplayRole)
        return field(row, index.column()).toString();
    if (role == Qt::CheckStateRole && index.column() == 0)
        return row.ticked ? Qt::Checked : Qt::Unchecked;
    return {};
}

bool ResultsModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::CheckStateRole || !index.isValid() || index.column() != 0 || index.row() >= rowCount())
        return false;
    m_rows[index.row()].ticked = static_cast<Qt::CheckState>(value.toInt()) == Qt::Checked;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

Qt::ItemFlags ResultsModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags result = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == 0)
        result |= Qt::ItemIsUserCheckable;
    return result;
}

QVariant ResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < columnCount())
        return m_headers[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}
