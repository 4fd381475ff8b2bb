#include "UsMapProjection.h"

#include <proj.h>

#include <QString>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

namespace {

struct RegionDrawing {
    const char *albers;  // PROJ's aea parameters
    double scale;        // of the inset against the lower 48
    QPointF offset;      // of the region's origin on the map, in map units
    QRectF frame;        // map units, y southward
};

// The insets sit where atlases put them, below the lower 48's southwest and southeast; offsets
// and frames were fitted to the shipped outlines.
constexpr const char *kLower48 = "+lat_1=29.5 +lat_2=45.5 +lat_0=37.5 +lon_0=-96";
const RegionDrawing &drawingOf(UsMapProjection::Region region)
{
    static const RegionDrawing drawings[] = {
        {kLower48, 1.0, {0, 0}, QRectF(QPointF(-2'400'000, -1'620'000), QPointF(2'300'000, 1'400'000))},
        // Alaska's own (EPSG:3338), Hawaii's (ESRI:102007), Puerto Rico's on its own meridian.
        {"+lat_1=55 +lat_2=65 +lat_0=50 +lon_0=-154", 0.35, {-1'750'000, 1'800'000},
         QRectF(QPointF(-2'570'000, 910'000), QPointF(-1'170'000, 1'710'000))},
        {"+lat_1=8 +lat_2=18 +lat_0=13 +lon_0=-157", 1.0, {-750'000, 2'200'000},
         QRectF(QPointF(-1'130'000, 1'120'000), QPointF(-470'000, 1'600'000))},
        {"+lat_1=8 +lat_2=18 +lat_0=18 +lon_0=-66.5", 1.0, {1'800'000, 1'450'000},
         QRectF(QPointF(1'580'000, 1'330'000), QPointF(2'000'000, 1'520'000))},
    };
    return drawings[int(region)];
}

std::string pipelineOf(const RegionDrawing &drawing)
{
    // Degrees in; the region's Albers on GRS 80 (NAD 83's ellipsoid); then the inset's scale and
    // place, with y turned southward.
    const auto number = [](double value) { return std::to_string(value); };
    return std::string("+proj=pipeline +step +proj=unitconvert +xy_in=deg +xy_out=rad")
           + " +step +proj=aea +ellps=GRS80 " + drawing.albers
           + " +step +proj=affine +s11=" + number(drawing.scale) + " +s22=" + number(-drawing.scale)
           + " +xoff=" + number(drawing.offset.x()) + " +yoff=" + number(drawing.offset.y());
}

bool within(GeoPoint p, double south, double north, double west, double east)
{
    return p.latitude >= south && p.latitude <= north && p.longitude >= west && p.longitude <= east;
}

} // namespace

struct UsMapProjection::Pipelines {
    struct ContextDeleter {
        void operator()(PJ_CONTEXT *context) const { proj_context_destroy(context); }
    };
    struct PipelineDeleter {
        void operator()(PJ *pipeline) const { proj_destroy(pipeline); }
    };
    std::unique_ptr<PJ_CONTEXT, ContextDeleter> context{proj_context_create()};
    std::array<std::unique_ptr<PJ, PipelineDeleter>, kRegions.size()> byRegion;
};

UsMapProjection::UsMapProjection() : m_pipelines(std::make_unique<Pipelines>())
{
    PJ_CONTEXT *context = m_pipelines->context.get();
    // PROJ's own log would write to standard error; a refusal is reported through the throw.
    proj_log_level(context, PJ_LOG_NONE);
    for (Region region : kRegions) {
        const std::string definition = pipelineOf(drawingOf(region));
        m_pipelines->byRegion[int(region)].reset(proj_create(context, definition.c_str()));
        if (!m_pipelines->byRegion[int(region)])
            throw std::runtime_error(std::string("PROJ refused the map projection: ")
                                     + proj_context_errno_string(context, proj_context_errno(context)));
    }
}

UsMapProjection::~UsMapProjection() = default;

std::optional<UsMapProjection::Region> UsMapProjection::regionOf(GeoPoint point)
{
    if (within(point, 24, 50, -125, -66))
        return Region::Lower48;
    // The Aleutians run past the 180th meridian.
    if (within(point, 51, 72, -180, -129.9) || within(point, 51, 56, 172, 180))
        return Region::Alaska;
    if (within(point, 18.5, 22.5, -161, -154.5))
        return Region::Hawaii;
    // Puerto Rico with Mona, Vieques and Culebra; the Virgin Islands begin east of it.
    if (within(point, 17.8, 18.6, -68, -65.2))
        return Region::PuertoRico;
    return std::nullopt;
}

UsMapProjection::Region UsMapProjection::regionOfState(QStringView usps)
{
    if (usps == u"AK")
        return Region::Alaska;
    if (usps == u"HI")
        return Region::Hawaii;
    if (usps == u"PR")
        return Region::PuertoRico;
    return Region::Lower48;
}

QRectF UsMapProjection::frame(Region region)
{
    return drawingOf(region).frame;
}

void UsMapProjection::project(Region region, std::span<const GeoPoint> points, std::span<QPointF> out) const
{
    for (size_t i = 0; i < points.size(); ++i)
        out[i] = QPointF(points[i].longitude, points[i].latitude);
    if (out.empty())
        return;
    // In place, x and y of each QPointF a stride apart: one call for the whole batch.
    static_assert(sizeof(QPointF) == 2 * sizeof(double));
    double *first = reinterpret_cast<double *>(out.data());
    PJ *pipeline = m_pipelines->byRegion[int(region)].get();
    proj_trans_generic(pipeline, PJ_FWD, first, sizeof(QPointF), out.size(), first + 1, sizeof(QPointF), out.size(),
                       nullptr, 0, 0, nullptr, 0, 0);
    for (QPointF &point : out)
        if (!std::isfinite(point.x()) || !std::isfinite(point.y()))
            point = QPointF(std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN());
}

std::optional<QPointF> UsMapProjection::project(GeoPoint point) const
{
    const std::optional<Region> region = regionOf(point);
    if (!region)
        return std::nullopt;
    QPointF projected;
    project(*region, std::span(&point, 1), std::span(&projected, 1));
    if (std::isnan(projected.x()))
        return std::nullopt;
    return projected;
}
