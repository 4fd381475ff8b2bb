#pragma once

#include "GeoPoint.h"
#include "OutlineFile.h"

#include <QPainterPath>
#include <QPointF>
#include <QRectF>

#include <optional>
#include <span>
#include <utility>
#include <vector>

class UsMapProjection;

// What the map draws, projected once and kept until the data changes: the state outlines as
// painter paths and one dot a row of the list, with a grid over the dots so finding the dot
// under the pointer looks at a few of them, not at every one. Map units are the projection's.
class MapScene
{
public:
    MapScene(const UsMapProjection &projection, const std::vector<StateOutline> &outlines);

    // The list's rows, by row: each row's point, or none for a row without coordinates.
    void setRows(std::span<const std::optional<GeoPoint>> rows);

    const QPainterPath &outlines() const { return m_allOutlines; }
    // The same a state a path: filled one by one they draw several times faster than as one.
    const std::vector<std::pair<QString, QPainterPath>> &stateOutlines() const { return m_stateOutlines; }
    // One state's outline by USPS code; empty when the file had none for it.
    QPainterPath outline(const QString &usps) const;
    const QPainterPath &insetFrames() const { return m_insetFrames; }
    // The whole map: the lower 48 and the insets' frames.
    QRectF bounds() const;

    const std::vector<QPointF> &dots() const { return m_dots; }
    // The smallest rectangle holding every dot (of no size for a single one); none without dots.
    std::optional<QRectF> dotBounds() const;
    int rowOfDot(int dot) const { return m_dotRows[dot]; }
    // The row's dot, or -1 when the row has none.
    int dotOfRow(int row) const;
    int rowCount() const { return int(m_rowDots.size()); }
    int rowsWithoutCoordinates() const { return m_withoutCoordinates; }
    int rowsOffTheMap() const { return m_offTheMap; }

    // The dots within `radius` of `at`, nearest first; empty when none.
    std::vector<int> dotsNear(QPointF at, double radius) const;

private:
    void indexDots();

    const UsMapProjection &m_projection;
    std::vector<std::pair<QString, QPainterPath>> m_stateOutlines;
    QPainterPath m_allOutlines;
    QPainterPath m_insetFrames;

    std::vector<QPointF> m_dots;
    std::vector<int> m_dotRows;
    std::vector<int> m_rowDots;
    int m_withoutCoordinates = 0;
    int m_offTheMap = 0;
    // (grid cell, dot), sorted by cell.
    std::vector<std::pair<qint64, int>> m_grid;
};
