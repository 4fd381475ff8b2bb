#include "FaultSeed.h"
#include "HostileText.h"
#include "PostgresServer.h"
#include "PostgresZipStore.h"
#include "SqliteZipStore.h"
#include "TestMachine.h"
#include "WorkingCopy.h"
#include "ZipConnection.h"

#include <QDir>
#include <QRegularExpression>
#include <QTest>
#include <QThread>

#include <atomic>
#include <optional>
#include <thread>

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
        SqliteZipStore embedded(machine.platform);
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
