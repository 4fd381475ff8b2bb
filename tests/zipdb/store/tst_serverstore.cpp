#include "FaultSeed.h"
#include "GreatCircle.h"
#include "HostileText.h"
#include "KnownProfiles.h"
#include "PostgresServer.h"
#include "PostgresZipStore.h"
#include "ShippedCopy.h"
#include "SqliteZipStore.h"
#include "TestMachine.h"
#include "WorkingCopy.h"
#include "ZipConnection.h"
#include "ZipSchema.h"

#include <QDir>
#include <QRegularExpression>
#include <QTest>
#include <QThread>

#include <libpq-fe.h>

#include <atomic>
#include <optional>
#include <thread>

namespace {

QStringList nearText(const std::vector<NearbyRow> &rows)
{
    QStringList text;
    for (const NearbyRow &near : rows)
        text.append(rowText(near.row.zip, near.row.city, near.row.state) + QLatin1Char('|') + near.place.county
                    + QLatin1Char('|') + QString::number(near.miles, 'f', 9));
    return text;
}

} // namespace

class TestServerStore : public QObject
{
    Q_OBJECT

    std::optional<PostgresServer> server;
    TestMachine machine;

private slots:
    void initTestCase()
    {
        faultSeed();
        server.emplace();
    }

    void searchListsWhatTheEmbeddedStoreLists()
    {
        QDir().mkpath(machine.dataFolder());
        provisionWorkingCopy(machine.pristineCopy(), machine.workingCopy());
        SqliteZipStore embedded(machine.locations());
        PostgresZipStore shared(server->newDatabase(), machine.pristineCopy());
        embedded.open();
        shared.open();
        QRandomGenerator random(faultSeed());
        // Rows a person could add, with wildcards, backslashes and letters beyond ASCII to match. The
        // server holds no NUL, and only the embedded store reads U+FFFE and U+FFFF as U+FFFD.
        const QRegularExpression unstorable("[\\x{0}\\x{fffd}-\\x{ffff}]");
        QStringList values;
        for (QString value; values.size() < 300; value = hostileText(random, 3))
            if (!value.isEmpty() && !QString::fromUtf8(value.toUtf8()).contains(unstorable))
                values.append(value);
        for (int i = 0; i < values.size(); i += 2) {
            const QString zip = random.bounded(2) ? values[i] : QString::number(random.bounded(100000));
            QCOMPARE(shared.exists(zip), embedded.exists(zip));
            QCOMPARE(shared.add(zip, values[i], values[i + 1]), embedded.add(zip, values[i], values[i + 1]));
            if (i % 10 == 0)
                QCOMPARE(shared.remove(zip), embedded.remove(zip));
        }
        ZipConnection pristine;
        pristine.open(machine.pristineCopy());
        const int limit = pristine.likePatternLimit(); // in bytes; a longer text is matched as it stands
        QStringList texts{"", "%", QString(limit - 1, u'%'), QString(limit, u'%'), QString(limit / 2, u'\u00e9')};
        while (texts.size() < 3000) {
            QString text = random.bounded(2) ? hostileText(random, 4) : values[random.bounded(int(values.size()))];
            for (QChar &c : text) // an ASCII letter in the other case still matches, any other letter does not
                c = random.bounded(2) ? c.toLower() : c.toUpper();
            texts.append(text.left(random.bounded(1, int(text.size()) + 1)));
        }
        for (const QString &text : std::as_const(texts))
            QVERIFY2(searchRows(shared, text) == searchRows(embedded, text),
                     text.left(40).toUtf8().toPercentEncoding());

        embedded.reset();
        shared.reset();
        QCOMPARE(searchRows(shared, ""), rowsOf(machine.pristineCopy()));
    }

    void nearRowsAreEveryRowWithinTheMiles_data()
    {
        QTest::addColumn<QString>("centre");
        QTest::addColumn<double>("miles");
        QTest::newRow("Manhattan, 3 miles") << "10001" << 3.0;
        QTest::newRow("Allston, 25 miles") << "02134" << 25.0;
        QTest::newRow("none but the centre") << "99546" << 0.1;
        QTest::newRow("Adak, across the antimeridian") << "99546" << 500.0;
        QTest::newRow("Guam, west of it") << "96910" << 2000.0;
        QTest::newRow("no such ZIP") << "00000" << 100.0;
        QTest::newRow("a ZIP added by hand") << "99990" << 100.0;
    }

    // The embedded store against every shipped row measured, the server against the embedded store.
    void nearRowsAreEveryRowWithinTheMiles()
    {
        QFETCH(QString, centre);
        QFETCH(double, miles);
        QDir().mkpath(machine.dataFolder());
        provisionWorkingCopy(machine.pristineCopy(), machine.workingCopy());
        SqliteZipStore embedded(machine.locations());
        PostgresZipStore shared(server->newDatabase(), machine.pristineCopy());
        embedded.open();
        shared.open();
        for (ZipStore *store : {static_cast<ZipStore *>(&embedded), static_cast<ZipStore *>(&shared)})
            store->add(QStringLiteral("99990"), QStringLiteral("Added"), QStringLiteral("AK"));

        const ShippedCopy shipped(machine.pristineCopy());
        QHash<QString, ZipPlace> places;
        for (const ZipPlace &place : shipped.places())
            places.insert(place.zip, place);
        QCOMPARE(embedded.places(), places);
        QCOMPARE(shared.places(), places);
        QCOMPARE(shared.place(centre), embedded.place(centre));
        QStringList expected;
        const std::optional<GeoPoint> at = places.value(centre).position;
        for (const ZipRow &row : shipped.rows()) {
            const ZipPlace place = places.value(row.zip);
            if (at && place.position && milesBetween(*at, *place.position) <= miles)
                expected.append(rowText(row.zip, row.city, row.state));
        }
        const std::vector<NearbyRow> near = embedded.rowsNear(centre, miles);
        QStringList found;
        for (const NearbyRow &each : near)
            found.append(rowText(each.row.zip, each.row.city, each.row.state));
        QVERIFY(found.isEmpty() || found.first().startsWith(centre));
        QVERIFY(std::is_sorted(near.begin() + std::ranges::count(found, centre, [](const QString &row) { return row.left(5); }),
                               near.end(), [](const NearbyRow &a, const NearbyRow &b) { return a.miles < b.miles; }));
        found.sort();
        QCOMPARE(found, expected);
        QCOMPARE(nearText(shared.rowsNear(centre, miles)), nearText(near));
    }

    // A server set up before places were kept has the ZIP table alone: the first start after gets
    // the places, once however many start at once, and keeps the office's rows; a reset restores both.
    void aServerWithoutPlacesGetsThemOnceAndKeepsItsRows()
    {
        const QString database = server->newDatabase();
        {
            PGconn *db = PQconnectdb(database.toUtf8().constData());
            for (const QString &sql : {zipschema::zipCodes().postgresCreate,
                                       QStringLiteral("insert into ZipCodes values ('99990', 'Office', 'AK')")})
                PQclear(PQexec(db, sql.toUtf8().constData()));
            PQfinish(db);
        }
        std::vector<std::thread> starts;
        std::atomic<int> failures = 0;
        for (int i = 0; i < 4; ++i)
            starts.emplace_back([&] {
                try {
                    PostgresZipStore(database, machine.pristineCopy()).open();
                } catch (const std::runtime_error &) {
                    ++failures;
                }
            });
        for (std::thread &start : starts)
            start.join();
        QCOMPARE(failures.load(), 0);
        PostgresZipStore shared(database, machine.pristineCopy());
        shared.open();
        QCOMPARE(searchRows(shared, ""), QStringList{"99990|Office|AK"});
        const std::vector<ZipPlace> shipped = ShippedCopy(machine.pristineCopy()).places();
        QCOMPARE(shared.places().size(), qsizetype(shipped.size()));
        QCOMPARE(shared.place("02134")->county, QStringLiteral("Suffolk"));
        const std::vector<ZipProfile> profiles = ShippedCopy(machine.pristineCopy()).profiles();
        QVERIFY(shared.profiles() == profiles);
        shared.reset();
        QCOMPARE(searchRows(shared, ""), rowsOf(machine.pristineCopy()));
        QCOMPARE(shared.places().size(), qsizetype(shipped.size()));
        QVERIFY(shared.profiles() == profiles);
    }

    void profilesAreTheShippedOnes_data() { addKnownProfiles(); }
    void profilesAreTheShippedOnes()
    {
        static const QString database = server->newDatabase(); // loaded once for every row
        PostgresZipStore store(database, machine.pristineCopy());
        store.open();
        checkKnownProfile(store);
    }

    void clientsAddingAndDeletingAtOnceLoseNoRow_data()
    {
        QTest::addColumn<bool>("killServer");
        QTest::newRow("server up") << false;
        QTest::newRow("server killed and restarted meanwhile") << true;
    }
    void clientsAddingAndDeletingAtOnceLoseNoRow()
    {
        QFETCH(bool, killServer);
        const QString database = server->newDatabase();
        std::atomic<int> successes = 0, failures = 0;
        // What the clients were told: rows that must be there, rows that must not, rows they cannot know.
        QStringList present[10], gone[10], unsure[10];
        std::vector<std::jthread> clients;
        for (int client = 0; client < 10; ++client)
            clients.emplace_back([&, client](std::stop_token stop) {
                PostgresZipStore store(database, machine.pristineCopy());
                auto attempt = [&](const QString &zip, auto operation) -> std::optional<bool> {
                    try {
                        if (!store.isOpen())
                            store.open(); // ten at once on a new database: the table is made once
                        const bool result = operation();
                        ++successes;
                        return result;
                    } catch (const std::runtime_error &) {
                        unsure[client].append(zip);
                        ++failures;
                        QThread::msleep(10);
                        return std::nullopt;
                    }
                };
                for (int i = 0; !stop.stop_requested(); ++i) {
                    const QString own = QString("~c%1-%2").arg(client).arg(i), contested = QString("~s%1").arg(i);
                    // Added, or said to be there: either way the row must be there now.
                    if (attempt(own, [&] { return store.add(own, "Client", "ZZ"); })) {
                        const auto removed =
                            i % 3 ? std::optional(false) : attempt(own, [&] { return store.remove(own) == 1; });
                        if (removed)
                            (*removed ? gone : present)[client].append(own);
                    }
                    if (attempt(contested, [&] { return store.add(contested, "Contested", "ZZ"); }) == true)
                        present[client].append(contested);
                }
            });
        QTRY_VERIFY_WITH_TIMEOUT(successes > 200, 60000);
        PostgresZipStore checker(database, machine.pristineCopy());
        checker.open(); // its connection goes stale when the server is killed
        if (killServer) {
            server->kill();
            QThread::msleep(300);
            server->start();
        }
        const int before = successes;
        QTRY_VERIFY_WITH_TIMEOUT(successes > before + 200, 60000);
        clients.clear(); // stops and joins them

        QStringList zips;
        for (const QString &row : searchRows(checker, "~"))
            zips.append(row.section(u'|', 0, 0));
        QCOMPARE(zips.removeDuplicates(), 0);
        QCOMPARE(failures > 0, killServer);
        for (int client = 0; client < 10; ++client) {
            for (const QString &zip : std::as_const(present[client]))
                QVERIFY2(zips.removeAll(zip) == 1, qPrintable(zip)); // a contested ZIP is added by one client
            for (const QString &zip : std::as_const(gone[client]))
                QVERIFY2(!zips.contains(zip), qPrintable(zip));
        }
        for (const QStringList &zipsOfClient : unsure)
            for (const QString &zip : zipsOfClient)
                zips.removeAll(zip);
        QCOMPARE(zips, QStringList());
        QCOMPARE(searchRows(checker, "").size(),
                 rowsOf(machine.pristineCopy()).size() + searchRows(checker, "~").size());
    }
};

QTEST_GUILESS_MAIN(TestServerStore)
#include "tst_serverstore.moc"
