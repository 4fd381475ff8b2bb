#include "MapScene.h"

#include "UsMapProjection.h"

#include <algorithm>
#include <cmath>

namespace {

// About a county across: a pointer's reach at the widest view spans a few cells.
constexpr double kCellSize = 20'000;

qint64 cellOf(double x, double y)
{
    const auto column = qint64(std::floor(x / kCellSize));
    const auto row = qint64(std::floor(y / kCellSize));
    return (column << 32) ^ (row & 0xffffffff);
}

} // namespace

MapScene::MapScene(const UsMapProjection &projection, const std::vector<StateOutline> &outlines)
    : m_projection(projection)
{
    std::vector<QPointF> projected;
    for (const StateOutline &state : outlines) {
        const UsMapProjection::Region region = UsMapProjection::regionOfState(state.usps);
        QPainterPath path;
        for (const std::vector<GeoPoint> &ring : state.rings) {
            projected.resize(ring.size());
            m_projection.project(region, ring, projected);
            QPolygonF polygon(projected.begin(), projected.end());
            path.addPolygon(polygon);
            path.closeSubpath();
        }
        m_allOutlines.addPath(path);
        m_stateOutlines.emplace_back(state.usps, std::move(path));
    }
    for (UsMapProjection::Region region : UsMapProjection::kRegions)
        if (region != UsMapProjection::Region::Lower48)
            m_insetFrames.addRect(UsMapProjection::frame(region));
}

QPainterPath MapScene::outline(const QString &usps) const
{
    for (const auto &[state, path] : m_stateOutlines)
        if (state == usps)
            return path;
    return {};
}

QRectF MapScene::bounds() const
{
    QRectF all;
    for (UsMapProjection::Region region : UsMapProjection::kRegions)
        all |= UsMapProjection::frame(region);
    return all;
}

void MapScene::setRows(std::span<const std::optional<GeoPoint>> rows)
{
    m_dots.clear();
    m_dotRows.clear();
    m_rowDots.assign(rows.size(), -1);
    m_withoutCoordinates = 0;
    m_offTheMap = 0;

    // One batch a region, so PROJ is called four times whatever the row count.
    std::vector<GeoPoint> points;
    std::vector<int> pointRows;
    std::vector<QPointF> projected;
    for (UsMapProjection::Region region : UsMapProjection::kRegions) {
        points.clear();
        pointRows.clear();
        for (size_t row = 0; row < rows.size(); ++row)
            if (rows[row] && UsMapProjection::regionOf(*rows[row]) == region) {
                points.push_back(*rows[row]);
                pointRows.push_back(int(row));
            }
        projected.resize(points.size());
        m_projection.project(region, points, projected);
        for (size_t i = 0; i < projected.size(); ++i) {
            if (std::isnan(projected[i].x()))
                continue;
            m_rowDots[pointRows[i]] = int(m_dots.size());
            m_dots.push_back(projected[i]);
            m_dotRows.push_back(pointRows[i]);
        }
    }
    for (size_t row = 0; row < rows.size(); ++row) {
        if (!rows[row])
            ++m_withoutCoordinates;
        else if (m_rowDots[row] < 0)
            ++m_offTheMap;
    }
    indexDots();
}

std::optional<QRectF> MapScene::dotBounds() const
{
    if (m_dots.empty())
        return std::nullopt;
    const auto [left, right] = std::minmax_element(m_dots.begin(), m_dots.end(),
                                                   [](QPointF a, QPointF b) { return a.x() < b.x(); });
    const auto [top, bottom] = std::minmax_element(m_dots.begin(), m_dots.end(),
                                                   [](QPointF a, QPointF b) { return a.y() < b.y(); });
    return QRectF(QPointF(left->x(), top->y()), QPointF(right->x(), bottom->y()));
}

int MapScene::dotOfRow(int row) const
{
    return row >= 0 && row < int(m_rowDots.size()) ? m_rowDots[row] : -1;
}

void MapScene::indexDots()
{
    m_grid.clear();
    m_grid.reserve(m_dots.size());
    for (size_t dot = 0; dot < m_dots.size(); ++dot)
        m_grid.emplace_back(cellOf(m_dots[dot].x(), m_dots[dot].y()), int(dot));
    std::sort(m_grid.begin(), m_grid.end());
}

std::vector<int> MapScene::dotsNear(QPointF at, double radius) const
{
    std::vector<std::pair<double, int>> found;
    const auto firstColumn = qint64(std::floor((at.x() - radius) / kCellSize));
    const auto lastColumn = qint64(std::floor((at.x() + radius) / kCellSize));
    const auto firstRow = qint64(std::floor((at.y() - radius) / kCellSize));
    const auto lastRow = qint64(std::floor((at.y() + radius) / kCellSize));
    for (qint64 column = firstColumn; column <= lastColumn; ++column)
        for (qint64 row = firstRow; row <= lastRow; ++row) {
            const qint64 cell = cellOf((double(column) + 0.5) * kCellSize, (double(row) + 0.5) * kCellSize);
            auto it = std::lower_bound(m_grid.begin(), m_grid.end(), std::pair(cell, 0));
            for (; it != m_grid.end() && it->first == cell; ++it) {
                const QPointF d = m_dots[it->second] - at;
                const double distance = std::hypot(d.x(), d.y());
                if (distance <= radius)
                    found.emplace_back(distance, it->second);
            }
        }
    std::sort(found.begin(), found.end());
    std::vector<int> dots;
    dots.reserve(found.size());
    for (const auto &[distance, dot] : found)
        dots.push_back(dot);
    return dots;
}
