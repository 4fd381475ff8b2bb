// The map window without a screen: a real ResultsModel and selection model drive it, as the
// results list does, and the Save dialog is scripted.
#include "MapCanvas.h"
#include "MapScene.h"
#include "MapWindow.h"
#include "ResultsModel.h"
#include "ScriptedPlatform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QImage>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <sys/stat.h>

namespace {

// Boston, Anchorage and Honolulu lie in three regions, Guam on none; 12345 has no coordinates.
const QHash<QString, GeoPoint> kPlaces = {
    {"02134", {42.3537, -71.1327}}, {"99501", {61.2167, -149.8761}},
    {"96813", {21.3167, -157.8579}}, {"96910", {13.4745, 144.7504}},
};

struct Fixture {
    explicit Fixture(const QStringList &zips = {})
    {
        for (const char *caption : {"Zip", "City", "State"})
            rows.addColumn(QLatin1String(caption));
        list(zips);
    }
    void list(const QStringList &zips)
    {
        rows.clear();
        ResultsModel::Appender appender(rows);
        for (const QString &zip : zips)
            appender.addRow(zip, QStringLiteral("City ") + zip, QStringLiteral("ST"));
        appender.commit();
    }
    std::unique_ptr<MapWindow> open(const QString &outlineFile = QStringLiteral(QUILLMAP_OUTLINE_FILE))
    {
        auto window = std::make_unique<MapWindow>(platform, rows, selection, [] { return kPlaces; }, outlineFile);
        window->resize(800, 560);
        window->show();
        return window;
    }

    ScriptedPlatform platform;
    ResultsModel rows;
    QItemSelectionModel selection{&rows};
};

} // namespace

class TestMapWindow : public QObject
{
    Q_OBJECT

private slots:
    void followsTheList_data()
    {
        QTest::addColumn<QStringList>("first");
        QTest::addColumn<QStringList>("then");
        QTest::addColumn<int>("dots");
        QTest::addColumn<QString>("legend");
        const QStringList all{"02134", "99501", "96813", "96910", "12345"};
        QTest::newRow("a search after the window opened")
            << QStringList() << all << 3 << "5 rows, 1 without coordinates, 1 outside the map.";
        QTest::newRow("a new search") << all << QStringList{"02134"} << 1 << "1 row, 0 without coordinates.";
        QTest::newRow("Clear List") << all << QStringList() << 0 << "0 rows, 0 without coordinates.";
    }
    void followsTheList()
    {
        QFETCH(QStringList, first);
        QFETCH(QStringList, then);
        QFETCH(int, dots);
        QFETCH(QString, legend);
        Fixture f(first);
        const auto window = f.open();
        QCOMPARE(window->scene().rowCount(), first.size());
        f.list(then);
        QCOMPARE(int(window->scene().dots().size()), dots);
        QCOMPARE(window->legend(), legend);
    }

    // The map opens on the listed rows and frames each new list; rows without a dot do not count,
    // and a list with no dot shows the whole country, as "Whole Country" always does.
    void framesTheListedRows_data()
    {
        QTest::addColumn<QStringList>("zips");
        QTest::addColumn<bool>("whole");
        QTest::newRow("one ZIP") << QStringList{"02134"} << false;
        QTest::newRow("one ZIP and one without coordinates") << QStringList{"12345", "99501"} << false;
        QTest::newRow("two regions") << QStringList{"02134", "96813", "96910"} << false;
        QTest::newRow("no coordinates") << QStringList{"12345"} << true;
        QTest::newRow("outside the map") << QStringList{"96910"} << true;
    }
    void framesTheListedRows()
    {
        QFETCH(QStringList, zips);
        QFETCH(bool, whole);
        Fixture f({"99501"});
        const auto window = f.open();
        MapCanvas &canvas = window->canvas();
        const QRectF country = window->scene().bounds();
        const auto shown = [&] { return canvas.mapTransform().inverted().mapRect(QRectF(canvas.rect())); };
        QVERIFY(shown().width() < country.width() / 10);
        f.list(zips);
        for (const QPointF &dot : window->scene().dots())
            QVERIFY(QRectF(canvas.rect()).contains(canvas.toCanvas(dot)));
        QCOMPARE(shown().contains(country), whole);
        QTest::mouseClick(window->findChild<QAbstractButton *>(QStringLiteral("WholeCountry")), Qt::LeftButton);
        QVERIFY(shown().contains(country));
        window->hide();
        window->show();
        QCOMPARE(shown().contains(country), whole);
    }

    void clickChoosesTheRowAndTheCurrentRowIsMarked()
    {
        Fixture f({"02134", "99501", "96813"});
        const auto window = f.open();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QSignalSpy chosen(window.get(), &MapWindow::rowChosen);
        MapCanvas &canvas = window->canvas();
        const MapScene &scene = window->scene();
        const auto dotOf = [&](int row) { return canvas.toCanvas(scene.dots()[scene.dotOfRow(row)]).toPoint(); };
        const QPoint anchorage = dotOf(1);

        QHelpEvent hover(QEvent::ToolTip, anchorage, canvas.mapToGlobal(anchorage));
        QApplication::sendEvent(&canvas, &hover);
        QCOMPARE(QToolTip::text(), QStringLiteral("99501 City 99501, ST"));
        QTest::mouseClick(&canvas, Qt::LeftButton, {}, anchorage);
        QCOMPARE(f.selection.currentIndex().row(), 1);
        QTest::mouseClick(&canvas, Qt::LeftButton, {}, QPoint(5, 5)); // bare land chooses nothing
        QCOMPARE(chosen.size(), 1);

        // The current row is drawn in the selected row's colour, and follows the list's.
        f.selection.setCurrentIndex(f.rows.index(2, 0), QItemSelectionModel::ClearAndSelect);
        const QImage drawn = canvas.grab().toImage();
        QCOMPARE(drawn.pixelColor(dotOf(2)), QColor(0xf5, 0x8a, 0x07));
        QVERIFY(drawn.pixelColor(anchorage) != QColor(0xf5, 0x8a, 0x07));
    }

    void dragMovesAndWheelZoomsAboutThePointer()
    {
        Fixture f({"02134"});
        const auto window = f.open();
        MapCanvas &canvas = window->canvas();
        const QPointF boston = window->scene().dots().front();
        const QPointF at = canvas.toCanvas(boston) + QPointF(40, 30);

        QTest::mousePress(&canvas, Qt::LeftButton, {}, QPoint(300, 200));
        QTest::mouseMove(&canvas, QPoint(340, 230));
        QTest::mouseRelease(&canvas, Qt::LeftButton, {}, QPoint(340, 230));
        QCOMPARE(canvas.toCanvas(boston), at);
        QVERIFY(!f.selection.currentIndex().isValid());

        const double toOrigin = QLineF(at, canvas.toCanvas(QPointF(0, 0))).length();
        QWheelEvent wheel(at, canvas.mapToGlobal(at), {}, QPoint(0, 240), Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&canvas, &wheel);
        QVERIFY((canvas.toCanvas(boston) - at).manhattanLength() < 1e-6);
        QVERIFY(QLineF(at, canvas.toCanvas(QPointF(0, 0))).length() > 1.2 * toOrigin); // scrolling up zooms in
    }

    void missingOrDamagedOutlinesLeaveTheDots_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("fifo");
        QTest::newRow("missing") << QByteArray() << false;
        QTest::newRow("damaged") << QByteArray("QMOUTLN1\x01\0\0\0MA25", 16) << false;
        QTest::newRow("a FIFO, which never opens for reading") << QByteArray() << true;
    }
    void missingOrDamagedOutlinesLeaveTheDots()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, fifo);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("states.outline"));
        QFile file(path);
        QVERIFY(content.isEmpty() || (file.open(QIODevice::WriteOnly) && file.write(content) && file.flush()));
        QVERIFY(!fifo || mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        Fixture f({"02134", "99501"});
        const auto window = f.open(path);
        QVERIFY(window->scene().outlines().isEmpty());
        QCOMPARE(int(window->scene().dots().size()), 2);
        QVERIFY2(window->notice().contains(QStringLiteral("the dots are drawn alone")), qPrintable(window->notice()));
        QVERIFY(!window->canvas().grab().isNull());
    }

    void savesTheImage_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QByteArray>("start");
        QTest::newRow("PNG") << "map.png" << "map.png" << QByteArray("\x89PNG");
        QTest::newRow("no suffix is PNG") << "map" << "map.png" << QByteArray("\x89PNG");
        QTest::newRow("SVG") << "map.SVG" << "map.SVG" << QByteArray("<?xml");
    }
    void savesTheImage()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        QFETCH(QByteArray, start);
        QTemporaryDir folder;
        Fixture f({"02134", "99501"});
        const auto window = f.open();
        f.platform.savePaths = {folder.filePath(chosen)};
        window->saveImage();
        QCOMPARE(f.platform.boxes, QList<ScriptedPlatform::Box>());
        QFile file(folder.filePath(written));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith(start));
        if (start.startsWith("\x89"))
            QCOMPARE(QImage::fromData(bytes).size(), window->canvas().size());
        else
            QCOMPARE(bytes.count("<ellipse") + bytes.count("<circle"), qsizetype(2));
    }

    void escapeCloses()
    {
        Fixture f;
        const auto window = f.open();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window.get(), Qt::Key_Escape);
        QVERIFY(!window->isVisible());
    }
};

QTEST_MAIN(TestMapWindow)
#include "tst_mapwindow.moc"
