#include "Workbook.h"

#include "SheetFont.h"

#include <stdexcept>

namespace {

// Cuts after whole characters, so no surrogate pair is split.
QString cutToCellLimit(const QString &text)
{
    if (text.size() <= Workbook::kMaxCellCharacters)
        return text;
    qsizetype units = 0;
    for (qsizetype characters = 0; characters < Workbook::kMaxCellCharacters && units < text.size(); ++characters)
        units += text[units].isHighSurrogate() && units + 1 < text.size() ? 2 : 1;
    return text.left(units);
}

// Sheets count from 1: a row or column 0 is a caller's slip, refused before it lands anywhere.
void checkAddress(int row, int column)
{
    if (row < 1 || column < 1)
        throw std::out_of_range("Index out of bounds");
}

} // namespace

Workbook::Workbook() : m_font(std::make_unique<SheetFont>()) {}

Workbook::~Workbook() = default;

void Workbook::setCell(int row, int column, const QString &text)
{
    checkAddress(row, column);
    if (size_t(row) > m_rows.size())
        m_rows.resize(row);
    std::vector<QString> &cells = m_rows[row - 1];
    if (size_t(column) > cells.size())
        cells.resize(column);
    cells[column - 1] = cutToCellLimit(text);
    m_columnCount = std::max(m_columnCount, column);
}

QString Workbook::cell(int row, int column) const
{
    checkAddress(row, column);
    if (size_t(row) > m_rows.size() || size_t(column) > m_rows[row - 1].size())
        return {};
    return m_rows[row - 1][column - 1];
}

int Workbook::columnPixels(int column) const
{
    checkAddress(1, column);
    return size_t(column) <= m_columnPixels.size() ? m_columnPixels[column - 1] : 0;
}

void Workbook::fitColumn(int column)
{
    checkAddress(1, column);
    int pixels = 0;
    for (const std::vector<QString> &cells : m_rows)
        if (size_t(column) <= cells.size() && !cells[column - 1].isEmpty())
            pixels = std::max(pixels, m_font->columnPixels(cells[column - 1]));
    if (pixels == 0)
        return;
    if (size_t(column) > m_columnPixels.size())
        m_columnPixels.resize(column);
    m_columnPixels[column - 1] = pixels;
}

void Workbook::fitAllColumns()
{
    for (int column = 1; column <= m_columnCount; ++column)
        fitColumn(column);
}
