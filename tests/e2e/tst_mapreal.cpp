// The map window on a real X server (run under xvfb-run): what reaches the screen, not only what
// the widget drew for itself.
#include "MapCanvas.h"
#include "MapScene.h"
#include "MapWindow.h"
#include "ResultsModel.h"
#include "ScriptedPlatform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QItemSelectionModel>
#include <QScreen>
#include <QTest>

class TestMapReal : public QObject
{
    Q_OBJECT

private slots:
    void massachusettsDotIsDrawnInsideMassachusetts();
};

void TestMapReal::massachusettsDotIsDrawnInsideMassachusetts()
{
    ScriptedPlatform platform;
    ResultsModel rows;
    for (const char *caption : {"Zip", "City", "State"})
        rows.addColumn(QLatin1String(caption));
    QItemSelectionModel selection(&rows);
    const auto places = [] { return QHash<QString, GeoPoint>{{QStringLiteral("02134"), {42.3537, -71.1327}}}; };
    MapWindow window(platform, rows, selection, places, QStringLiteral(QUILLMAP_OUTLINE_FILE));
    ResultsModel::Appender appender(rows);
    appender.addRow(QStringLiteral("02134"), QStringLiteral("Allston"), QStringLiteral("MA"));
    appender.commit();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.notice().isEmpty());

    MapCanvas &canvas = window.canvas();
    const QPointF dot = canvas.toCanvas(window.scene().dots().front());
    const QTransform toCanvas = canvas.mapTransform();
    QVERIFY(toCanvas.map(window.scene().outline(QStringLiteral("MA"))).contains(dot));
    QVERIFY(!toCanvas.map(window.scene().outline(QStringLiteral("NH"))).contains(dot));

    // The X server's own pixels: the dot's blue where the dot is, framed on its ZIP; the land's
    // colour in Kansas once the map shows the whole country.
    const QRect area = canvas.geometry();
    const auto shownAt = [&](QPointF at) {
        return window.screen()->grabWindow(window.winId(), area.x(), area.y(), area.width(), area.height())
            .toImage()
            .pixelColor(at.toPoint());
    };
    QTRY_VERIFY(shownAt(dot).blue() > shownAt(dot).red() + 60);
    QTest::mouseClick(window.findChild<QAbstractButton *>(QStringLiteral("WholeCountry")), Qt::LeftButton);
    const QPointF kansas = window.scene().outline(QStringLiteral("KS")).boundingRect().center();
    QTRY_COMPARE(shownAt(canvas.toCanvas(kansas)), QColor(0xf2, 0xef, 0xe6));
}

QTEST_MAIN(TestMapReal)
#include "tst_mapreal.moc"
