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

namespace {

// What one client was told: rows that must be there, rows that must not, rows it cannot know.
struct Outcome {
    QStringList present, gone, unsure;
    int failures = 0, failuresAfterRestart = 0;
};

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
    void cleanupTestCase() { server.reset(); }

    void searchListsWhatTheEmbeddedStoreLists()
    {
        QDir().mkpath(machine.dataFolder());
        provisionWorkingCopy(machine.pristineCopy(), machine.workingCopy());
        SqliteZipStore embedded(machine.platform);
        PostgresZipStore shared(server->newDatabase(), machine.pristineCopy());
        embedded.open();
        shared.open();
        QRandomGenerator random(faultSeed());
        // Rows a person could add: wildcards, backslashes, quotes and letters beyond ASCII to match.
        // Neither store holds a NUL in a value, and only the embedded one reads U+FFFE as U+FFFD.
        QStringList values;
        while (values.size() < 300) {
            const QString value = hostileText(random, 3);
            if (!QString::fromUtf8(value.toUtf8()).contains(QRegularExpression(QStringLiteral("[\\x{0}\\x{fffd}-\\x{ffff}]"))))
                values.append(value);
        }
        for (int i = 0; i < values.size(); i += 2) {
            const QString zip = random.bounded(2) ? values[i] : QString::number(random.bounded(100000));
            QCOMPARE(shared.add(zip, values[i], values[i + 1]), embedded.add(zip, values[i], values[i + 1]));
        }
        ZipConnection pristine;
        pristine.open(connectionStringFor(machine.pristineCopy()));
        const int limit = pristine.likePatternLimit();
        QStringList texts{QString(), QStringLiteral("%"), QString(limit - 1, u'%'), QString(limit, u'%'),
                          QStringLiteral("A").repeated(limit - 1), QStringLiteral("\u00e9").repeated(limit / 2)};
        while (texts.size() < 3000) {
            QString text = random.bounded(2) ? hostileText(random, 4) : values[random.bounded(int(values.size()))];
            for (QChar &c : text) // ASCII letters in the other case still match; others do not
                c = random.bounded(2) ? c.toLower() : c.toUpper();
            texts.append(text.left(random.bounded(1, int(text.size()) + 1)));
        }
        for (const QString &text : std::as_const(texts))
            QVERIFY2(searchRows(shared, text) == searchRows(embedded, text), qPrintable(text.left(40).toUtf8().toPercentEncoding()));

        embedded.reset();
        shared.reset();
        QCOMPARE(searchRows(shared, QString()), rowsOf(machine.pristineCopy()));
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
        std::atomic<int> successes = 0;
        std::atomic<bool> restarted = false;
        std::vector<Outcome> outcomes(10);
        std::vector<std::jthread> clients;
        for (Outcome &outcome : outcomes)
            clients.emplace_back([&, &outcome = outcome, client = clients.size()](std::stop_token stop) {
                PostgresZipStore store(database, machine.pristineCopy());
                auto attempt = [&](const QString &zip, auto operation) -> std::optional<bool> {
                    const bool afterRestart = restarted;
                    try {
                        if (store.state() == ZipStore::Closed)
                            store.open();
                        const bool result = operation();
                        ++successes;
                        return result;
                    } catch (const std::runtime_error &) {
                        outcome.unsure.append(zip);
                        ++outcome.failures;
                        outcome.failuresAfterRestart += afterRestart;
                        QThread::msleep(10);
                        return std::nullopt;
                    }
                };
                for (int i = 0; !stop.stop_requested(); ++i) {
                    const QString own = QStringLiteral("~c%1-%2").arg(client).arg(i), contested = QStringLiteral("~s%1").arg(i);
                    // Added, or said to be there: either way the row must be there now.
                    if (attempt(own, [&] { return store.add(own, QStringLiteral("Client"), QStringLiteral("ZZ")); })) {
                        const auto removed = i % 3 ? std::optional(false) : attempt(own, [&] { return store.remove(own) == 1; });
                        if (removed)
                            (*removed ? outcome.gone : outcome.present).append(own);
                    }
                    if (attempt(contested, [&] { return store.add(contested, QStringLiteral("Contested"), QStringLiteral("ZZ")); }) == true)
                        outcome.present.append(contested);
                }
            });
        QTRY_VERIFY_WITH_TIMEOUT(successes > 200, 60000);
        PostgresZipStore checker(database, machine.pristineCopy());
        checker.open(); // its connection goes stale when the server is killed
        if (killServer) {
            server->kill();
            QThread::msleep(300);
            server->start();
            restarted = true;
        }
        const int before = successes;
        QTRY_VERIFY_WITH_TIMEOUT(successes > before + 200, 60000);
        clients.clear(); // stops and joins them

        QStringList zips, present, gone, unsure;
        for (const QString &row : searchRows(checker, QStringLiteral("~")))
            zips.append(row.section(u'|', 0, 0));
        for (const Outcome &outcome : outcomes) {
            present += outcome.present;
            gone += outcome.gone;
            unsure += outcome.unsure;
            QCOMPARE(outcome.failuresAfterRestart, 0);
            QCOMPARE(outcome.failures > 0, killServer);
        }
        QCOMPARE(zips.removeDuplicates(), 0);
        QCOMPARE(present.removeDuplicates(), 0); // a contested ZIP is added by one client only
        for (const QString &zip : std::as_const(present))
            QVERIFY2(zips.contains(zip), qPrintable(zip));
        for (const QString &zip : std::as_const(gone))
            QVERIFY2(!zips.contains(zip), qPrintable(zip));
        for (const QString &zip : std::as_const(zips))
            QVERIFY2(present.contains(zip) || unsure.contains(zip), qPrintable(zip));
        QCOMPARE(searchRows(checker, QString()).size(), rowsOf(machine.pristineCopy()).size() + zips.size());
    }
};

QTEST_GUILESS_MAIN(TestServerStore)
#include "tst_serverstore.moc"
