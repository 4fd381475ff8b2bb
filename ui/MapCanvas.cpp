#include "MapCanvas.h"

#include "MapScene.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kMargin = 8;
// Dots grow as the map zooms in, so the whole table does not blot out the states.
constexpr double kDotRadius = 1.6;
constexpr double kLargestDotRadius = 3.5;
constexpr double kSelectedRadius = 6;
// A press that moves less than this is a click, not a drag.
constexpr double kClickSlack = 4;
constexpr double kMostZoom = 256;
// The least a frame shows around its dots, in map units (metres): a lone ZIP with its
// surroundings, a town's ZIPs apart from each other.
constexpr double kLeastFrame = 50'000;
const QColor kLand(0xf2, 0xef, 0xe6);
const QColor kBorder(0x9a, 0x94, 0x88);
const QColor kDot(0x1f, 0x4e, 0x96, 190);
const QColor kSelected(0xf5, 0x8a, 0x07);

// The scale at which the area fits a canvas of the size, inside the margin.
double scaleToFit(const QRectF &area, QSize size)
{
    const double fit = std::min((size.width() - 2 * kMargin) / area.width(), (size.height() - 2 * kMargin) / area.height());
    return std::max(fit, 1e-9);
}

// One antialiased dot at the device's pixel ratio, drawn once and then stamped at every place.
QImage makeDotStamp(qreal devicePixelRatio, double radius)
{
    const int side = int(std::ceil(2 * radius * devicePixelRatio)) + 2;
    QImage stamp(side, side, QImage::Format_ARGB32_Premultiplied);
    stamp.fill(Qt::transparent);
    QPainter painter(&stamp);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kDot);
    painter.drawEllipse(QPointF(side / 2.0, side / 2.0), radius * devicePixelRatio, radius * devicePixelRatio);
    painter.end();
    stamp.setDevicePixelRatio(devicePixelRatio);
    return stamp;
}

} // namespace

MapCanvas::MapCanvas(QWidget *parent) : QWidget(parent)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(320, 200);
}

void MapCanvas::setScene(const MapScene *scene)
{
    m_scene = scene;
    showWholeCountry();
}

void MapCanvas::sceneChanged()
{
    update();
}

void MapCanvas::frameDots()
{
    const std::optional<QRectF> dots = m_scene ? m_scene->dotBounds() : std::nullopt;
    if (!dots)
        return showWholeCountry();
    const double width = std::max(dots->width(), kLeastFrame);
    const double height = std::max(dots->height(), kLeastFrame);
    m_shown = QRectF(dots->center().x() - width / 2, dots->center().y() - height / 2, width, height);
    update();
}

void MapCanvas::showWholeCountry()
{
    m_shown = m_scene ? m_scene->bounds() : QRectF(0, 0, 1, 1);
    update();
}

void MapCanvas::setSelectedRow(int row)
{
    if (row == m_selectedRow)
        return;
    m_selectedRow = row;
    update();
}

double MapCanvas::dotRadius() const
{
    return std::min(kDotRadius * std::sqrt(zoom()), kLargestDotRadius);
}

double MapCanvas::zoom() const
{
    return m_scene ? scaleFor(size()) / scaleToFit(m_scene->bounds(), size()) : 1;
}

double MapCanvas::scaleFor(QSize size) const
{
    return scaleToFit(m_shown, size);
}

QTransform MapCanvas::mapToCanvas(QSize size) const
{
    const double scale = scaleFor(size);
    QTransform transform;
    transform.translate(size.width() / 2.0, size.height() / 2.0);
    transform.scale(scale, scale);
    transform.translate(-m_shown.center().x(), -m_shown.center().y());
    return transform;
}

QPointF MapCanvas::toCanvas(QPointF mapPoint) const
{
    return mapToCanvas(size()).map(mapPoint);
}

void MapCanvas::render(QPainter &painter, QSize size, Output output) const
{
    painter.fillRect(QRect(QPoint(), size), Qt::white);
    if (!m_scene)
        return;
    painter.setRenderHint(QPainter::Antialiasing);
    const QTransform transform = mapToCanvas(size);

    painter.save();
    painter.setTransform(transform, true);
    QPen border(kBorder, 1);
    border.setCosmetic(true);
    painter.setPen(border);
    painter.setBrush(kLand);
    for (const auto &[state, outline] : m_scene->stateOutlines())
        painter.drawPath(outline);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(m_scene->insetFrames());
    painter.restore();

    const std::vector<QPointF> &dots = m_scene->dots();
    const double radius = dotRadius();
    const QRectF visible = QRectF(QPointF(), size).adjusted(-kSelectedRadius, -kSelectedRadius, kSelectedRadius,
                                                            kSelectedRadius);
    if (output == Output::Vector) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(kDot);
        for (const QPointF &dot : dots)
            if (const QPointF at = transform.map(dot); visible.contains(at))
                painter.drawEllipse(at, radius, radius);
    } else {
        const qreal ratio = painter.device()->devicePixelRatioF();
        if (m_dotStamp.isNull() || m_dotStampRatio != ratio || m_dotStampRadius != radius) {
            m_dotStamp = makeDotStamp(ratio, radius);
            m_dotStampRatio = ratio;
            m_dotStampRadius = radius;
        }
        // Whole-pixel places keep each stamp on the raster engine's plain copy, the fastest of
        // Qt's ways to put down tens of thousands of small marks.
        const QPointF centre(m_dotStamp.width() / ratio / 2, m_dotStamp.height() / ratio / 2);
        for (const QPointF &dot : dots)
            if (const QPointF at = transform.map(dot); visible.contains(at))
                painter.drawImage((at - centre).toPoint(), m_dotStamp);
    }

    if (const int dot = m_scene->dotOfRow(m_selectedRow); dot >= 0) {
        painter.setPen(QPen(Qt::black, 1.5));
        painter.setBrush(kSelected);
        painter.drawEllipse(transform.map(dots[dot]), kSelectedRadius, kSelectedRadius);
    }
}

int MapCanvas::rowAt(QPointF position) const
{
    if (!m_scene)
        return -1;
    const double scale = scaleFor(size());
    const QPointF mapPoint = mapToCanvas(size()).inverted().map(position);
    const std::vector<int> near = m_scene->dotsNear(mapPoint, (dotRadius() + 2) / scale);
    return near.empty() ? -1 : m_scene->rowOfDot(near.front());
}

void MapCanvas::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    render(painter, size(), Output::Screen);
}

bool MapCanvas::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        const int row = rowAt(help->pos());
        if (row >= 0 && m_rowText)
            QToolTip::showText(help->globalPos(), m_rowText(row), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void MapCanvas::wheelEvent(QWheelEvent *event)
{
    // The map point under the pointer stays under it.
    const QPointF at = mapToCanvas(size()).inverted().map(event->position());
    const double steps = event->angleDelta().y() / 120.0;
    const double factor = std::clamp(zoom() * std::pow(1.25, steps), 1.0, kMostZoom) / zoom();
    m_shown = QRectF(at + (m_shown.topLeft() - at) / factor, m_shown.size() / factor);
    update();
    event->accept();
}

void MapCanvas::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    m_pressedAt = m_lastDragAt = event->position();
    m_dragged = false;
}

void MapCanvas::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const QPointF at = event->position();
    if (!m_dragged && (at - m_pressedAt).manhattanLength() < kClickSlack)
        return;
    m_dragged = true;
    setCursor(Qt::ClosedHandCursor);
    m_shown.translate(-(at - m_lastDragAt) / scaleFor(size()));
    m_lastDragAt = at;
    update();
}

void MapCanvas::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    unsetCursor();
    if (m_dragged)
        return;
    if (const int row = rowAt(event->position()); row >= 0)
        emit rowClicked(row);
}
