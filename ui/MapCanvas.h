#pragma once

#include <QImage>
#include <QPointF>
#include <QTransform>
#include <QWidget>

#include <functional>

class MapScene;

// The drawing of the map window: the outlines, a dot a row and the selected row's larger dot.
// It shows an area of the map whole, framing the dots or the whole country; the wheel zooms
// about the pointer, a drag pans, a click on a dot reports its row, and resting on a dot shows
// what the window says of its row. The scene is the window's; the canvas only reads it, and is
// told when it changed.
class MapCanvas : public QWidget
{
    Q_OBJECT

public:
    enum class Output { Screen, Vector };

    explicit MapCanvas(QWidget *parent = nullptr);

    // No scene draws an empty map. A new scene shows the whole country.
    void setScene(const MapScene *scene);
    void sceneChanged();
    // Shows every dot, as close as a lone place allows; the whole country when there is none.
    void frameDots();
    void showWholeCountry();
    void setSelectedRow(int row);
    void setRowText(std::function<QString(int row)> rowText) { m_rowText = std::move(rowText); }

    // The map as shown now, drawn at `size`; Vector draws every dot as a shape of its own, for SVG.
    void render(QPainter &painter, QSize size, Output output) const;
    // The row of the dot under a point of the canvas, or -1.
    int rowAt(QPointF position) const;
    // Where a place on the map shows on the canvas now.
    QPointF toCanvas(QPointF mapPoint) const;
    QTransform mapTransform() const { return mapToCanvas(size()); }

signals:
    void rowClicked(int row);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    double dotRadius() const;
    // How far the map is zoomed in from the whole country, at the canvas's size.
    double zoom() const;
    double scaleFor(QSize size) const;
    QTransform mapToCanvas(QSize size) const;

    const MapScene *m_scene = nullptr;
    int m_selectedRow = -1;
    std::function<QString(int)> m_rowText;
    QRectF m_shown{0, 0, 1, 1}; // the area of the map drawn whole, centred on the canvas
    QPointF m_pressedAt;
    QPointF m_lastDragAt;
    bool m_dragged = false;
    mutable QImage m_dotStamp;
    mutable qreal m_dotStampRatio = 0;
    mutable double m_dotStampRadius = 0;
};
