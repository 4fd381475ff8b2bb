#pragma once

#include "GeoPoint.h"

#include <QPointF>
#include <QRectF>
#include <QStringView>

#include <array>
#include <memory>
#include <optional>
#include <span>

// The United States as atlases draw it: the lower 48 and DC in an Albers conic equal-area
// projection (parallels 29.5° and 45.5°, origin 37.5° N 96° W), Alaska shrunk to 0.35 in an inset
// bottom left, Hawaii beside it and Puerto Rico bottom right, each in an Albers projection of its
// own. Map units are metres of the lower 48's projection with y growing southward, as a
// QPainter's does. The formulas are PROJ's; one pipeline a region, made once.
class UsMapProjection
{
public:
    enum class Region { Lower48, Alaska, Hawaii, PuertoRico };
    static constexpr std::array kRegions{Region::Lower48, Region::Alaska, Region::Hawaii, Region::PuertoRico};

    // Throws std::runtime_error, with PROJ's reason, when PROJ refuses a pipeline.
    UsMapProjection();
    ~UsMapProjection();
    UsMapProjection(const UsMapProjection &) = delete;
    UsMapProjection &operator=(const UsMapProjection &) = delete;

    // Where a ZIP's point is drawn, from where it lies; none for a place outside every region
    // (the other territories, a point abroad).
    static std::optional<Region> regionOf(GeoPoint point);
    // Where a state's outline is drawn, from its USPS code.
    static Region regionOfState(QStringView usps);
    // The rectangle of the map the region is drawn in; the insets' frames do not meet.
    static QRectF frame(Region region);

    // Projects the points into `out` (of the same size); a point PROJ cannot project comes out
    // as NaN.
    void project(Region region, std::span<const GeoPoint> points, std::span<QPointF> out) const;
    std::optional<QPointF> project(GeoPoint point) const;

private:
    struct Pipelines;
    std::unique_ptr<Pipelines> m_pipelines;
};
