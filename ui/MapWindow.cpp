#include "MapWindow.h"

#include "Dialogs.h"
#include "MapCanvas.h"
#include "MapScene.h"
#include "OutlineFile.h"
#include "ResultsModel.h"
#include "UsMapProjection.h"
#include "ZipPlace.h"
#include "ZipProfile.h"
#include "ZipRow.h"

#include <QAction>
#include <QBoxLayout>
#include <QFileInfo>
#include <QImage>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QShowEvent>
#include <QShortcut>
#include <QSvgGenerator>
#include <QToolButton>

namespace {

std::vector<StateOutline> readOutlines(const QString &path, QString &failure)
{
    try {
        return readOutlineFile(path);
    } catch (const std::exception &damage) {
        failure = QStringLiteral("The state outlines could not be read from %1 (%2); the dots are drawn alone.")
                      .arg(QFileInfo(path).fileName(), QString::fromUtf8(damage.what()));
        return {};
    }
}

} // namespace

QHash<QString, GeoPoint> positionsOf(const QHash<QString, ZipPlace> &places)
{
    QHash<QString, GeoPoint> positions;
    positions.reserve(places.size());
    for (auto place = places.cbegin(); place != places.cend(); ++place)
        if (place->position)
            positions.insert(place.key(), *place->position);
    return positions;
}

MapWindow::MapWindow(Dialogs &dialogs, ResultsModel &rows, QItemSelectionModel &selection, PlaceLookup places,
                     const QString &outlineFile, QWidget *parent)
    : QWidget(parent, Qt::Window), m_dialogs(dialogs), m_rows(rows), m_selection(selection),
      m_lookup(std::move(places)), m_projection(std::make_unique<UsMapProjection>())
{
    setWindowTitle(QStringLiteral("Map - Quillmap"));
    setAccessibleName(QStringLiteral("Map - Quillmap"));
    setAccessibleDescription(QStringLiteral("Where the listed ZIPs lie"));
    resize(960, 640);

    m_scene = std::make_unique<MapScene>(*m_projection, readOutlines(outlineFile, m_outlineFailure));
    m_canvas = new MapCanvas(this);
    m_canvas->setAccessibleName(QStringLiteral("Map of the listed ZIPs"));
    m_canvas->setAccessibleDescription(QStringLiteral(
        "Each row of the results list is a dot on the states, framed when the map opens and when the "
        "list changes; the list's current row is the larger outlined dot. Rest the pointer on a dot "
        "to see its ZIP, click it to make it the list's current row, turn the wheel to zoom and drag "
        "to move the map. Home shows the whole country; Escape closes the window."));
    m_canvas->setScene(m_scene.get());
    m_canvas->setRowText([this](int row) { return rowText(row); });
    m_noticeLine = new QLabel(this);
    m_noticeLine->setTextFormat(Qt::PlainText);
    m_noticeLine->setWordWrap(true);
    m_noticeLine->hide();
    m_legendLine = new QLabel(this);
    m_legendLine->setTextFormat(Qt::PlainText);
    m_legendLine->setAccessibleName(QStringLiteral("Legend"));
    auto *wholeCountry = new QAction(QStringLiteral("Whole Country"), this);
    wholeCountry->setShortcut(QKeySequence(Qt::Key_Home));
    wholeCountry->setToolTip(QStringLiteral("Shows the whole country instead of the listed ZIPs"));
    addAction(wholeCountry);
    auto *wholeCountryButton = new QToolButton(this);
    wholeCountryButton->setObjectName(QStringLiteral("WholeCountry"));
    wholeCountryButton->setDefaultAction(wholeCountry);
    wholeCountryButton->setAccessibleName(wholeCountry->text());
    wholeCountryButton->setAccessibleDescription(wholeCountry->toolTip());
    auto *saveButton = new QPushButton(QStringLiteral("Save Image…"), this);
    saveButton->setAccessibleName(QStringLiteral("Save Image"));
    saveButton->setAccessibleDescription(QStringLiteral("Saves the map as shown as a PNG or SVG file"));

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_legendLine, 1);
    bottom->addWidget(wholeCountryButton);
    bottom->addWidget(saveButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_canvas, 1);
    layout->addWidget(m_noticeLine);
    layout->addLayout(bottom);

    connect(wholeCountry, &QAction::triggered, m_canvas, &MapCanvas::showWholeCountry);
    connect(saveButton, &QPushButton::clicked, this, &MapWindow::saveImage);
    connect(m_canvas, &MapCanvas::rowClicked, this, &MapWindow::chooseRow);
    new QShortcut(QKeySequence(Qt::Key_Escape), this, [this] { close(); });

    // A new search, "Clear List" or an import resets the list; rows may come and go; a changed
    // tick moves no dot, so only a change of the rows' text counts.
    connect(&m_rows, &QAbstractItemModel::modelReset, this, [this] {
        m_placesStale = true;
        rebuild();
    });
    connect(&m_rows, &QAbstractItemModel::rowsInserted, this, &MapWindow::rebuild);
    connect(&m_rows, &QAbstractItemModel::rowsRemoved, this, &MapWindow::rebuild);
    connect(&m_rows, &QAbstractItemModel::layoutChanged, this, &MapWindow::rebuild);
    connect(&m_rows, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &, const QModelIndex &, const QList<int> &roles) {
                if (roles.isEmpty() || roles.contains(Qt::DisplayRole) || roles.contains(Qt::EditRole))
                    rebuild();
            });
    connect(&m_selection, &QItemSelectionModel::currentChanged, this, &MapWindow::followCurrentRow);
    rebuild();
}

MapWindow::~MapWindow() = default;

void MapWindow::readPlaces()
{
    m_placesFailure.clear();
    try {
        m_places = m_lookup ? m_lookup() : QHash<QString, GeoPoint>();
    } catch (const std::exception &failure) {
        m_places.clear();
        m_placesFailure =
            QStringLiteral("The ZIPs' coordinates could not be read (%1).").arg(QString::fromUtf8(failure.what()));
    }
    m_populations.reset();
    try {
        if (m_populationLookup)
            m_populations = m_populationLookup();
    } catch (const std::exception &) {
        // The dots matter; the legend goes without the residents.
    }
    m_placesStale = false;
}

void MapWindow::setPopulationLookup(PopulationLookup populations)
{
    m_populationLookup = std::move(populations);
    m_placesStale = true;
    rebuild();
}

void MapWindow::rebuild()
{
    // A hidden window catches up when it is shown again.
    m_sceneStale = true;
    if (!isVisible())
        return;
    if (m_placesStale)
        readPlaces();
    std::vector<std::optional<GeoPoint>> rows(size_t(m_rows.rowCount()));
    for (int row = 0; row < m_rows.rowCount(); ++row)
        if (const auto found = m_places.constFind(m_rows.cell(row, ZipCodeColumn)); found != m_places.cend())
            rows[size_t(row)] = *found;
    m_scene->setRows(rows);
    m_sceneStale = false;
    m_canvas->frameDots();

    m_legendLine->setText(legend());
    const QString why = notice();
    m_noticeLine->setText(why);
    m_noticeLine->setVisible(!why.isEmpty());
    followCurrentRow();
    m_canvas->sceneChanged();
}

QString MapWindow::legend() const
{
    const int rows = m_scene->rowCount();
    QString text = (rows == 1 ? QStringLiteral("%L1 row, %L2 without coordinates")
                              : QStringLiteral("%L1 rows, %L2 without coordinates"))
                       .arg(rows)
                       .arg(m_scene->rowsWithoutCoordinates());
    if (m_scene->rowsOffTheMap() > 0)
        text += QStringLiteral(", %L1 outside the map").arg(m_scene->rowsOffTheMap());
    if (m_populations) {
        QStringList zips;
        for (int row = 0; row < m_rows.rowCount(); ++row)
            zips.append(m_rows.cell(row, ZipCodeColumn));
        text += QStringLiteral(". ") + residentsText(residentsOf(zips, *m_populations));
    }
    return text + QLatin1Char('.');
}

QString MapWindow::notice() const
{
    QStringList lines;
    if (!m_outlineFailure.isEmpty())
        lines << m_outlineFailure;
    if (!m_placesFailure.isEmpty())
        lines << m_placesFailure;
    return lines.join(u'\n');
}

void MapWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Opened again, not restored from the task bar: the listed rows are framed afresh.
    if (m_sceneStale)
        rebuild();
    else if (!event->spontaneous())
        m_canvas->frameDots();
}

void MapWindow::followCurrentRow()
{
    const QModelIndex current = m_selection.currentIndex();
    m_canvas->setSelectedRow(current.isValid() ? current.row() : -1);
}

void MapWindow::chooseRow(int row)
{
    m_selection.setCurrentIndex(m_rows.index(row, ZipCodeColumn),
                                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    emit rowChosen(row);
}

QString MapWindow::rowText(int row) const
{
    if (row < 0 || row >= m_rows.rowCount())
        return {};
    return m_rows.cell(row, ZipCodeColumn) + QLatin1Char(' ') + m_rows.cell(row, CityColumn) + QStringLiteral(", ")
           + m_rows.cell(row, StateColumn);
}

void MapWindow::saveImage()
{
    QString path = m_dialogs.saveFileName(QStringLiteral("Save Image"),
                                          QStringLiteral("PNG Image (*.png);;SVG Image (*.svg)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".png");
    if (QFileInfo::exists(path)
        && m_dialogs.messageBox(QStringLiteral("Are you sure you wish to overwrite ") + path + QStringLiteral(" ?"),
                                Dialogs::YesNo)
               != Dialogs::Yes)
        return;
    writeImage(path);
}

void MapWindow::writeImage(const QString &path)
{
    QSaveFile file(path);
    bool written = file.open(QIODevice::WriteOnly);
    if (written) {
        const QSize size = m_canvas->size();
        if (QFileInfo(path).suffix().compare(u"svg", Qt::CaseInsensitive) == 0) {
            QSvgGenerator svg;
            svg.setOutputDevice(&file);
            svg.setSize(size);
            svg.setViewBox(QRect(QPoint(), size));
            svg.setTitle(windowTitle());
            QPainter painter(&svg);
            m_canvas->render(painter, size, MapCanvas::Output::Vector);
        } else {
            QImage image(size, QImage::Format_ARGB32_Premultiplied);
            QPainter painter(&image);
            m_canvas->render(painter, size, MapCanvas::Output::Screen);
            painter.end();
            written = image.save(&file, "PNG");
        }
        written = written && file.commit();
    }
    if (!written)
        m_dialogs.messageBox(QStringLiteral("The map could not be saved as ") + path + QStringLiteral(": ")
                                 + file.errorString(),
                             Dialogs::Exclamation);
}
