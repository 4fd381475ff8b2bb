#include "ResultsModel.h"

#include <stdexcept>

namespace {

// A row or column the list does not hold, asked for by a walk the list changed under: it fails
// as the old list control did, with the text its error box showed.
[[noreturn]] void invalidIndex()
{
    throw std::out_of_range("Index out of bounds");
}

} // namespace

void ResultsModel::Appender::commit()
{
    m_model.append(std::move(m_pending));
    m_pending.clear();
}

void ResultsModel::Appender::addRow(QString zip, QString city, QString state)
{
    m_pending.push_back(Row{std::move(zip), std::move(city), std::move(state), false});
}

ResultsModel::Row &ResultsModel::Appender::lastRow()
{
    if (m_pending.empty())
        invalidIndex();
    return m_pending.back();
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
    endResetModel();
}

void ResultsModel::append(std::vector<Row> &&rows)
{
    if (rows.empty())
        return;
    const int first = rowCount();
    beginInsertRows({}, first, first + int(rows.size()) - 1);
    if (m_rows.empty())
        m_rows = std::move(rows);
    else
        m_rows.insert(m_rows.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
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

const QString &ResultsModel::field(const Row &row, int column)
{
    switch (column) {
    case 0:
        return row.zip;
    case 1:
        return row.city;
    case 2:
        return row.state;
    default:
        invalidIndex();
    }
}

const QString &ResultsModel::cell(int row, int column) const
{
    return field(rowAt(row), column);
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
        return field(row, index.column());
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
