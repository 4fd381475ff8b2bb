// The map's plain parts without a screen: the projection against points worked out by hand from
// the Albers formulas (Snyder, "Map Projections: A Working Manual", on GRS 80), the insets'
// places, and the outline file's reader on the shipped file and on damaged ones.
#include "MapScene.h"
#include "OutlineFile.h"
#include "UsMapProjection.h"

#include <QDataStream>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using Region = UsMapProjection::Region;

namespace {

// An outline file of one state with one ring, the bytes in the reader's format.
QByteArray oneStateFile(const char *codes = "MA25", quint32 points = 4, qint32 latitude = 42'000'000)
{
    QByteArray bytes("QMOUTLN1");
    QDataStream out(&bytes, QIODevice::Append);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint32(1);
    out.writeRawData(codes, 4);
    out << quint32(1) << points;
    for (quint32 i = 0; i < points; ++i)
        out << qint32(-71'000'000 - qint32(i % 2) * 500'000) << qint32(latitude + qint32(i / 2) * 500'000);
    return bytes;
}

// What the reader is given: a file of the bytes, or an entry that never opens or never ends.
enum class Entry { File, Fifo, LinkToZeroes, LinkToFifo };

QString makeEntry(const QTemporaryDir &dir, Entry entry, const QByteArray &bytes)
{
    const QString path = dir.filePath(QStringLiteral("states.outline"));
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    if (entry == Entry::Fifo || entry == Entry::LinkToFifo)
        mkfifo(QFile::encodeName(entry == Entry::Fifo ? path : fifo).constData(), 0600);
    if (entry == Entry::LinkToZeroes)
        QFile::link(QStringLiteral("/dev/zero"), path);
    if (entry == Entry::LinkToFifo)
        QFile::link(fifo, path);
    QFile file(path);
    if (entry == Entry::File && file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

} // namespace

class TestMap : public QObject
{
    Q_OBJECT

private slots:
    void projectsKnownPoints_data()
    {
        QTest::addColumn<int>("region");
        QTest::addColumn<GeoPoint>("place");
        QTest::addColumn<QPointF>("metres");
        QTest::addColumn<double>("scale");
        // Metres east and north of each projection's own origin; the map's y runs south.
        const auto row = [](const char *name, Region region, GeoPoint place, QPointF metres, double scale = 1) {
            QTest::newRow(name) << int(region) << place << metres << scale;
        };
        row("Boston", Region::Lower48, {42.3601, -71.0589}, {2'017'889.0, 810'723.0});
        row("San Francisco", Region::Lower48, {37.7749, -122.4194}, {-2'275'431.9, 349'149.2});
        row("Miami", Region::Lower48, {25.7617, -80.1918}, {1'594'077.4, -1'172'316.3});
        row("Anchorage, Alaska at 0.35", Region::Alaska, {61.2181, -149.9003}, {219'349.6, 1'255'301.5}, 0.35);
        row("Honolulu", Region::Hawaii, {21.3069, -157.8583}, {-89'673.0, 919'752.4});
        row("San Juan", Region::PuertoRico, {18.4655, -66.1057}, {41'678.9, 51'535.9});
    }
    void projectsKnownPoints()
    {
        QFETCH(int, region);
        QFETCH(GeoPoint, place);
        QFETCH(QPointF, metres);
        QFETCH(double, scale);

        static const QHash<int, GeoPoint> origins{{int(Region::Lower48), {37.5, -96}},
                                                  {int(Region::Alaska), {50, -154}},
                                                  {int(Region::Hawaii), {13, -157}},
                                                  {int(Region::PuertoRico), {18, -66.5}}};
        const GeoPoint points[] = {origins.value(region), place};
        QPointF projected[2];
        m_projection.project(Region(region), points, projected);
        const QPointF fromOrigin = projected[1] - projected[0];
        QVERIFY2(std::abs(fromOrigin.x() - scale * metres.x()) < 1, qPrintable(QString::number(fromOrigin.x(), 'f', 1)));
        QVERIFY2(std::abs(fromOrigin.y() + scale * metres.y()) < 1, qPrintable(QString::number(fromOrigin.y(), 'f', 1)));
    }

    void placesEachRegionInItsFrame_data()
    {
        QTest::addColumn<GeoPoint>("place");
        QTest::addColumn<int>("region");

        // The far corners of each region.
        QTest::newRow("Key West") << GeoPoint{24.5551, -81.7800} << int(Region::Lower48);
        QTest::newRow("Cape Flattery") << GeoPoint{48.3830, -124.7140} << int(Region::Lower48);
        QTest::newRow("the Northwest Angle") << GeoPoint{49.3843, -95.1535} << int(Region::Lower48);
        QTest::newRow("West Quoddy Head") << GeoPoint{44.8150, -66.9503} << int(Region::Lower48);
        QTest::newRow("Attu, past the 180th meridian") << GeoPoint{52.8430, 173.1800} << int(Region::Alaska);
        QTest::newRow("Adak") << GeoPoint{51.8800, -176.6581} << int(Region::Alaska);
        QTest::newRow("Utqiagvik") << GeoPoint{71.2906, -156.7886} << int(Region::Alaska);
        QTest::newRow("Ketchikan") << GeoPoint{55.3422, -131.6461} << int(Region::Alaska);
        QTest::newRow("Niihau") << GeoPoint{21.9000, -160.2000} << int(Region::Hawaii);
        QTest::newRow("Ka Lae") << GeoPoint{18.9100, -155.6800} << int(Region::Hawaii);
        QTest::newRow("Mona Island") << GeoPoint{18.0860, -67.9000} << int(Region::PuertoRico);
        QTest::newRow("Culebra") << GeoPoint{18.3100, -65.3000} << int(Region::PuertoRico);
    }

    void placesEachRegionInItsFrame()
    {
        QFETCH(GeoPoint, place);
        QFETCH(int, region);

        QVERIFY(UsMapProjection::regionOf(place) == Region(region));
        const std::optional<QPointF> projected = m_projection.project(place);
        QVERIFY(projected);
        QVERIFY(UsMapProjection::frame(Region(region)).contains(*projected));
        for (Region inset : {Region::Alaska, Region::Hawaii, Region::PuertoRico})
            if (inset != Region(region))
                QVERIFY2(!UsMapProjection::frame(inset).contains(*projected), "drawn in another inset's frame");
    }

    void shippedOutlinesFitTheirFrames()
    {
        const std::vector<StateOutline> states = readOutlineFile(QStringLiteral(QUILLMAP_OUTLINE_FILE));
        QCOMPARE(states.size(), size_t(52));
        const MapScene scene(m_projection, states);
        for (const StateOutline &state : states) {
            const Region region = UsMapProjection::regionOfState(state.usps);
            const QRectF drawn = scene.outline(state.usps).boundingRect();
            QVERIFY2(UsMapProjection::frame(region).contains(drawn), qPrintable(state.usps));
            for (Region inset : {Region::Alaska, Region::Hawaii, Region::PuertoRico})
                if (inset != region)
                    QVERIFY2(!scene.outline(state.usps).intersects(UsMapProjection::frame(inset)), qPrintable(state.usps));
        }
        for (const char *usps : {"AK", "DC", "HI", "MA", "PR", "WY"})
            QVERIFY2(!scene.outline(QLatin1String(usps)).isEmpty(), usps);
    }

    void damagedOutlineFileIsRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<Entry>("entry");

        const QByteArray good = oneStateFile();
        const Entry file = Entry::File;
        QCOMPARE(parseOutlines(good).size(), size_t(1));
        QTest::newRow("empty") << QByteArray() << "not a Quillmap outline file" << file;
        QTest::newRow("another file's mark") << QByteArray("GIF89a").append(good.mid(6)) << "not a Quillmap outline file"
                                             << file;
        QTest::newRow("cut in a point") << good.left(good.size() - 3) << "the file ends inside a ring" << file;
        QTest::newRow("cut after the mark") << good.left(8) << "ends inside the state count" << file;
        QTest::newRow("a byte too many") << good + 'x' << "bytes follow the last state" << file;
        QTest::newRow("no state") << QByteArray(good).replace(8, 4, QByteArray(4, '\0')) << "state count 0" << file;
        QTest::newRow("a huge state count") << QByteArray(good).replace(8, 4, QByteArray(4, '\xff')) << "out of range"
                                            << file;
        QTest::newRow("codes of another kind") << oneStateFile("m 25") << "two letters and two digits" << file;
        QTest::newRow("no ring") << QByteArray(good).replace(16, 4, QByteArray(4, '\0')) << "no ring" << file;
        QTest::newRow("a ring of a line") << oneStateFile("MA25", 3) << "fewer than 4 points" << file;
        QTest::newRow("more points than bytes") << QByteArray(good).replace(20, 4, QByteArray("\0\0\0\x10", 4))
                                                << "the file ends inside a ring" << file;
        QTest::newRow("a latitude past the pole") << oneStateFile("MA25", 4, 90'000'001) << "off the earth" << file;
        QTest::newRow("a FIFO") << QByteArray() << "not a regular file" << Entry::Fifo;
        QTest::newRow("a link to /dev/zero") << QByteArray() << "not a regular file" << Entry::LinkToZeroes;
        QTest::newRow("a link to a FIFO") << QByteArray() << "not a regular file" << Entry::LinkToFifo;
    }

    void damagedOutlineFileIsRefused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        QFETCH(Entry, entry);
        const QTemporaryDir dir;
        try {
            readOutlineFile(makeEntry(dir, entry, bytes));
            QFAIL("the damaged file was read");
        } catch (const OutlineFileDamage &damage) {
            QVERIFY2(QString::fromUtf8(damage.what()).contains(reason), damage.what());
        }
    }
private:
    UsMapProjection m_projection;
};

QTEST_GUILESS_MAIN(TestMap)
#include "tst_map.moc"
