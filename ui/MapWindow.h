#pragma once

#include "GeoPoint.h"

#include <QHash>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Dialogs;
class MapCanvas;
class MapScene;
class QItemSelectionModel;
class QLabel;
class ResultsModel;
class UsMapProjection;
struct ZipPlace;

// The positions of the ZIPs whose place has one: the map's dots from the store's places.
QHash<QString, GeoPoint> positionsOf(const QHash<QString, ZipPlace> &places);

// The map window: every row of the results list as a dot over the state outlines, the list's
// current row as a larger outlined dot. It follows the list and its current row, framing the
// rows with coordinates when it opens and when the list changes ("Whole Country" goes back to
// the whole map), and a click on a dot makes that row current. A missing or damaged outline file leaves the dots alone, with a
// line that says so.
class MapWindow : public QWidget
{
    Q_OBJECT

public:
    // The coordinates of every ZIP that has them; may throw, which the window reports as a line
    // and then draws no dot.
    using PlaceLookup = std::function<QHash<QString, GeoPoint>()>;
    // The population of every ZIP that has a figure; may throw, which leaves the legend without it.
    using PopulationLookup = std::function<QHash<QString, qint64>()>;

    // Throws std::runtime_error when the projection cannot be made.
    MapWindow(Dialogs &dialogs, ResultsModel &rows, QItemSelectionModel &selection, PlaceLookup places,
              const QString &outlineFile, QWidget *parent = nullptr);
    ~MapWindow() override;

    const MapScene &scene() const { return *m_scene; }
    MapCanvas &canvas() const { return *m_canvas; }
    QString legend() const;
    // With populations, the legend also gives the listed ZIPs' residents; read with the places.
    void setPopulationLookup(PopulationLookup populations);
    // Why part of the map is missing (outlines, coordinates); empty when nothing is.
    QString notice() const;

    // Asks for a file and writes the map as shown, PNG or, for a name ending in .svg, SVG.
    void saveImage();

signals:
    // A click on a dot made this row the list's current row.
    void rowChosen(int row);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void readPlaces();
    void rebuild();
    void followCurrentRow();
    void chooseRow(int row);
    QString rowText(int row) const;
    void writeImage(const QString &path);

    Dialogs &m_dialogs;
    ResultsModel &m_rows;
    QItemSelectionModel &m_selection;
    PlaceLookup m_lookup;
    PopulationLookup m_populationLookup;
    std::optional<QHash<QString, qint64>> m_populations;
    std::unique_ptr<UsMapProjection> m_projection;
    std::unique_ptr<MapScene> m_scene;
    QHash<QString, GeoPoint> m_places;
    QString m_outlineFailure;
    QString m_placesFailure;
    bool m_placesStale = true;
    bool m_sceneStale = true;

    MapCanvas *m_canvas = nullptr;
    QLabel *m_noticeLine = nullptr;
    QLabel *m_legendLine = nullptr;
};
