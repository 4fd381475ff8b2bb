#include "GreatCircle.h"
#include "ShippedCopy.h"
#include "SqliteZipStore.h"
#include "TestMachine.h"
#include "WorkingCopy.h"
#include "ZipPlace.h"
#include "ZipConnection.h"
#include "ZipQuery.h"
#include "ZipSearch.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <numbers>
#include <stdexcept>

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

// The shipped rows straight from the CSV, "zip|city|state" each: the search's independent oracle.
const QStringList &csvRows()
{
    static const QStringList rows = [] {
        QFile csv(QStringLiteral(QUILLMAP_CSV));
        csv.open(QIODevice::ReadOnly | QIODevice::Text);
        QStringList result;
        csv.readLine(); // header
        while (!csv.atEnd()) {
            const QString line = QString::fromUtf8(csv.readLine()).trimmed();
            if (!line.isEmpty())
                result.append(line.split(QLatin1Char(',')).join(QLatin1Char('|')));
        }
        return result;
    }();
    return rows;
}

QStringList expectedPrefixMatches(const QString &text)
{
    QStringList matches;
    for (const QString &row : csvRows()) {
        const QStringList fields = row.split(QLatin1Char('|'));
        if (std::any_of(fields.begin(), fields.end(),
                        [&](const QString &field) { return field.startsWith(text, Qt::CaseInsensitive); }))
            matches.append(row);
    }
    return matches;
}

} // namespace

Q_DECLARE_METATYPE(GeoPoint)

class TestZipDb : public QObject
{
    Q_OBJECT

    ZipConnection shipped;

private slots:
    void initTestCase()
    {
        shipped.open(QStringLiteral(QUILLMAP_PRISTINE_DB));
    }

    void shippedDatabaseHoldsEveryCsvRow()
    {
        const QStringList rows = rowsOf(QStringLiteral(QUILLMAP_PRISTINE_DB));
        QVERIFY2(rows.size() > 41000, qPrintable(QString::number(rows.size())));
        QCOMPARE(rows, csvRows());
        const QRegularExpression shape(QStringLiteral("^\\d{5}\\|[^|]+\\|[A-Z]{2}$"));
        for (const QString &row : rows)
            QVERIFY2(shape.match(row).hasMatch(), qPrintable(row));
        for (const char *known : {"02134|Allston|MA", "00601|Adjuntas|PR", "09001|APO|AE", "96201|APO|AP",
                                     "96960|Marshall Islands|MH"})
            QVERIFY2(rows.contains(QLatin1String(known)), known);
    }

    void shippedAndFirstWorkingCopyHoldEachZipsPlace()
    {
        const std::vector<ZipPlace> places = ShippedCopy(QStringLiteral(QUILLMAP_PRISTINE_DB)).places();
        QSet<QString> zips;
        for (const QString &row : csvRows())
            zips.insert(row.left(5));
        QCOMPARE(places.size(), std::size_t(zips.size()));
        const auto placeOf = [&](QStringView zip) {
            return *std::find_if(places.begin(), places.end(), [&](const ZipPlace &place) { return place.zip == zip; });
        };
        const ZipPlace allston = placeOf(u"02134");
        QCOMPARE(allston.county, QStringLiteral("Suffolk"));
        QVERIFY(allston.position && qAbs(allston.position->latitude - 42.35) < 0.01
                && qAbs(allston.position->longitude + 71.13) < 0.01);
        QVERIFY(placeOf(u"09001").county.isEmpty() && placeOf(u"09001").position); // military: no county
        QTemporaryDir dir;
        provisionWorkingCopy(QStringLiteral(QUILLMAP_PRISTINE_DB), dir.filePath(QStringLiteral("dbZipsWorking.mdb")));
        QVERIFY(ShippedCopy(dir.filePath(QStringLiteral("dbZipsWorking.mdb"))).places() == places);
    }

    // A member's 1.0 copy, shared with the group: the first open upgrades it for everyone.
    void anOldWorkingCopyOpensWithItsRowsAndThePlaces()
    {
        TestMachine machine;
        QDir().mkpath(machine.dataFolder());
        makeOldWorkingCopy(machine.pristineCopy(), machine.workingCopy());
        addRow(machine.workingCopy(), QStringLiteral("99990"), QStringLiteral("Mine"), QStringLiteral("AK"));
        QFile::setPermissions(machine.workingCopy(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup);
        const QStringList rows = rowsOf(machine.workingCopy());
        const QFile::Permissions mode = QFileInfo(machine.workingCopy()).permissions();
        SqliteZipStore store(machine.locations());
        store.open();
        QCOMPARE(store.place(QStringLiteral("02134"))->county, QStringLiteral("Suffolk"));
        QCOMPARE(store.places().size(), qsizetype(ShippedCopy(machine.pristineCopy()).places().size()));
        QCOMPARE(store.rowsNear(QStringLiteral("02134"), 1).front().row.city, QStringLiteral("Allston"));
        QVERIFY(!store.place(QStringLiteral("99990")));
        store.close();
        store.open();
        QCOMPARE(rowsOf(machine.workingCopy()), rows);
        QCOMPARE(QFileInfo(machine.workingCopy()).permissions(), mode);
        QCOMPARE(integrityOf(machine.workingCopy()), QStringLiteral("ok"));
    }

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

    void searchMatchesPrefixesInZipOrder_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty lists everything") << "";
        QTest::newRow("zip prefix") << "3053";
        QTest::newRow("leading zeros kept") << "021";
        QTest::newRow("city, lower case") << "new";
        QTest::newRow("city, upper case") << "NEW";
        QTest::newRow("state") << "Pr";
        QTest::newRow("single quote") << "Coeur d'Alene";
        QTest::newRow("leading blank matches nothing") << " 3053";
        QTest::newRow("no match") << "Xyzzy";
    }
    void searchMatchesPrefixesInZipOrder()
    {
        QFETCH(QString, text);
        const QStringList rows = searchRows(shipped, text);
        QCOMPARE(rows, expectedPrefixMatches(text));
        for (qsizetype i = 1; i < rows.size(); ++i)
            QVERIFY(rows[i - 1].left(5) <= rows[i].left(5));
    }

    void typedWildcardsActAsWildcards()
    {
        const QStringList underscore = searchRows(shipped, QStringLiteral("0213_"));
        QVERIFY(underscore.contains(QStringLiteral("02134|Allston|MA")));
        QCOMPARE(underscore, expectedPrefixMatches(QStringLiteral("0213")));
        QVERIFY(searchRows(shipped, QStringLiteral("Allst_n")).contains(QStringLiteral("02134|Allston|MA")));
        const QStringList percent = searchRows(shipped, QStringLiteral("%d'Alene"));
        QVERIFY(!percent.isEmpty());
        for (const QString &row : percent)
            QVERIFY2(row.contains(QLatin1String("d'Alene")), qPrintable(row));
        QVERIFY(searchRows(shipped, QStringLiteral("'; drop table ZipCodes; --")).isEmpty());
        QCOMPARE(rowsOf(QStringLiteral(QUILLMAP_PRISTINE_DB)).size(), csvRows().size());
    }

    void connectionStringNamesTheWorkingCopy()
    {
        const QString text = ZipConnection::connectionString(QStringLiteral("/var/lib/Brennick/Quillmap"));
        QCOMPARE(text, QStringLiteral("provider=microsoft.jet.oledb.4.0;data source=/var/lib/Brennick/Quillmap/"
                                      "dbZipsWorking.mdb;JET OLEDB:Database Password="));
    }

    void openFailsOnFilesThatAreNoZipDatabase_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("create");
        QTest::newRow("missing") << QByteArray() << false;
        QTest::newRow("empty file") << QByteArray() << true;
        QTest::newRow("overwritten") << QByteArray(8192, 'x') << true;
        QTest::newRow("truncated") << fileBytes(QStringLiteral(QUILLMAP_PRISTINE_DB)).left(3000) << true;
    }
    void openFailsOnFilesThatAreNoZipDatabase()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, create);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("dbZipsWorking.mdb"));
        if (create) {
            QFile out(file);
            out.open(QIODevice::WriteOnly);
            out.write(content);
        }
        ZipConnection connection;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, connection.open(file));
        QVERIFY(!connection.isOpen());
        QCOMPARE(QFileInfo::exists(file), create);
    }

    void connectionStatesAndBoundStatements()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("work.mdb"));
        copyDatabaseFile(QStringLiteral(QUILLMAP_PRISTINE_DB), file);
        ZipConnection connection;
        QVERIFY(!connection.isOpen());
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, connection.close());
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, connection.query(QStringLiteral("select 1")));
        connection.open(file);
        QVERIFY(connection.isOpen());
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, connection.open(file));
        connection.execute(QStringLiteral("insert into ZipCodes values (?1, ?2, ?3)"),
                           {QStringLiteral("00000"), QStringLiteral("O'Brien, \"Test\""), QStringLiteral("ZZ")});
        QCOMPARE(searchRows(connection, QStringLiteral("O'Br")), QStringList{"00000|O'Brien, \"Test\"|ZZ"});
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, connection.execute(QStringLiteral("select * from Nowhere")));
        connection.close();
        QVERIFY(!connection.isOpen());
        QVERIFY(rowsOf(file).contains(QStringLiteral("00000|O'Brien, \"Test\"|ZZ")));
    }

    void aStatementThatRunsOnIsStoppedAndSaysSo()
    {
        QElapsedTimer clock;
        clock.start();
        try {
            shipped.query(QStringLiteral("select count(*) from ZipCodes, ZipCodes, ZipCodes"));
            QFAIL("not stopped");
        } catch (const std::runtime_error &stopped) {
            QCOMPARE(QString::fromUtf8(stopped.what()),
                     QStringLiteral("A statement on the database did not finish within 8 seconds and was stopped."));
        }
        QVERIFY(clock.elapsed() >= 8000);
    }

    void copyReplacesTheTargetWhole()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("dbZipsWorking.mdb"));
        QFile old(target);
        old.open(QIODevice::WriteOnly);
        old.write("old working copy");
        old.close();

        copyDatabaseFile(QStringLiteral(QUILLMAP_PRISTINE_DB), target);
        QCOMPARE(fileBytes(target), fileBytes(QStringLiteral(QUILLMAP_PRISTINE_DB)));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"dbZipsWorking.mdb"});
    }

    void aFailedCopyLeavesTheOldCopyWhole()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("dbZipsWorking.mdb"));
        copyDatabaseFile(QStringLiteral(QUILLMAP_PRISTINE_DB), target);
        addRow(target, QStringLiteral("99999"), QStringLiteral("Added"), QStringLiteral("ZZ"));
        const QByteArray before = fileBytes(target);

        QVERIFY_THROWS_EXCEPTION(std::runtime_error, copyDatabaseFile(dir.filePath(QStringLiteral("missing")), target));
        QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                                 copyDatabaseFile(QStringLiteral(QUILLMAP_PRISTINE_DB), dir.filePath("no/such/x")));
        QCOMPARE(fileBytes(target), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"dbZipsWorking.mdb"});
    }
};

QTEST_GUILESS_MAIN(TestZipDb)
#include "tst_zipdb.moc"
