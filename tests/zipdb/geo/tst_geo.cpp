// Great-circle miles and the box around a radius, against points worked out by hand and a circle
// walked by the direct spherical formula.
#include "GreatCircle.h"

#include <QTest>

#include <cmath>
#include <numbers>

namespace {

// The point the miles away along the bearing (degrees from north), by the direct spherical formula.
GeoPoint travel(GeoPoint from, double bearing, double miles)
{
    const double rad = std::numbers::pi / 180, angle = miles / kEarthRadiusMiles, latitude = from.latitude * rad;
    const double to = std::asin(std::sin(latitude) * std::cos(angle)
                                + std::cos(latitude) * std::sin(angle) * std::cos(bearing * rad));
    const double east = std::atan2(std::sin(bearing * rad) * std::sin(angle) * std::cos(latitude),
                                   std::cos(angle) - std::sin(latitude) * std::sin(to));
    return {to / rad, std::remainder(from.longitude + east / rad, 360.0)};
}

} // namespace

Q_DECLARE_METATYPE(GeoPoint)

class TestGeo : public QObject
{
    Q_OBJECT

private slots:
    void milesOnTheSphere_data()
    {
        QTest::addColumn<GeoPoint>("a");
        QTest::addColumn<GeoPoint>("b");
        QTest::addColumn<double>("miles");
        QTest::addColumn<double>("tolerance");
        const double halfWay = std::numbers::pi * kEarthRadiusMiles;
        QTest::newRow("10001 to 90001") << GeoPoint{40.7484, -73.9967} << GeoPoint{33.9731, -118.2479} << 2448.35 << 0.01;
        QTest::newRow("the same point") << GeoPoint{40.7484, -73.9967} << GeoPoint{40.7484, -73.9967} << 0.0 << 0.0;
        QTest::newRow("a few feet") << GeoPoint{40.7484, -73.9967} << GeoPoint{40.7484, -73.99669} << 5.2344e-4 << 1e-8;
        QTest::newRow("a degree across the antimeridian") << GeoPoint{0, 179.5} << GeoPoint{0, -179.5} << 69.093419 << 1e-6;
        QTest::newRow("antipodes") << GeoPoint{40, -74} << GeoPoint{-40, 106} << halfWay << 1e-6;
        QTest::newRow("pole to pole") << GeoPoint{90, 0} << GeoPoint{-90, 45} << halfWay << 1e-6;
    }
    void milesOnTheSphere()
    {
        QFETCH(GeoPoint, a);
        QFETCH(GeoPoint, b);
        QFETCH(double, miles);
        QFETCH(double, tolerance);
        QVERIFY2(qAbs(milesBetween(a, b) - miles) <= tolerance, qPrintable(QString::number(milesBetween(a, b), 'g', 12)));
    }

    // Every point of the circle lies in the box, and the box ends where the circle does.
    void boxAroundHoldsTheCircle_data()
    {
        QTest::addColumn<GeoPoint>("centre");
        QTest::addColumn<double>("miles");
        QTest::addColumn<bool>("everyLongitude");
        QTest::newRow("New York, 25 miles") << GeoPoint{40.75, -74.0} << 25.0 << false;
        QTest::newRow("across the antimeridian") << GeoPoint{51.9, 179.95} << 60.0 << false;
        QTest::newRow("west of the antimeridian") << GeoPoint{-14.3, -179.9} << 30.0 << false;
        QTest::newRow("the north pole inside") << GeoPoint{89.8, 30} << 50.0 << true;
        QTest::newRow("near the south pole") << GeoPoint{-89.5, 0} << 10.0 << false;
        QTest::newRow("500 miles on the equator") << GeoPoint{0, 0} << 500.0 << false;
    }
    void boxAroundHoldsTheCircle()
    {
        QFETCH(GeoPoint, centre);
        QFETCH(double, miles);
        QFETCH(bool, everyLongitude);
        const GeoBox box = boxAround(centre, miles);
        QCOMPARE(box.west == -180 && box.east == 180, everyLongitude);
        const auto east = [&](double longitude) { return std::remainder(longitude - centre.longitude, 360.0); };
        double widest = 0;
        for (int bearing = 0; bearing < 360; ++bearing) {
            const GeoPoint edge = travel(centre, bearing, miles * 0.9999);
            QVERIFY2(qAbs(milesBetween(centre, edge) - miles * 0.9999) < 1e-6, qPrintable(QString::number(bearing)));
            QVERIFY2(box.contains(edge), qPrintable(QString::number(bearing)));
            widest = std::max(widest, qAbs(east(edge.longitude)));
        }
        QVERIFY(!box.contains(travel(centre, 180, miles * 1.02)));
        QVERIFY(everyLongitude || !box.contains(travel(centre, 0, miles * 1.02)));
        QVERIFY(everyLongitude || (widest > 0.99 * east(box.east) && widest > 0.99 * -east(box.west)));
    }
};

QTEST_GUILESS_MAIN(TestGeo)
#include "tst_geo.moc"
