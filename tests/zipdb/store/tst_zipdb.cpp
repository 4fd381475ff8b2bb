#include "KnownProfiles.h"
#include "ShippedCopy.h"
#include "SqliteZipStore.h"
#include "TestMachine.h"
#include "WorkingCopy.h"
#include "ZipPlace.h"
#include "ZipConnection.h"
#include "ZipQuery.h"
#include "ZipSearch.h"

#include <QDir>
#include <QLocale>
#include <QRandomGenerator>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <stdexcept>

namespace {

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

    void anOldWorkingCopyOpensWithItsRowsAndThePlaces_data()
    {
        QTest::addColumn<bool>("withPlaces");
        QTest::newRow("1.0") << false;
        QTest::newRow("1.0 with places") << true;
    }
    // A member's 1.0 copy, shared with the group: the first open upgrades it for everyone.
    void anOldWorkingCopyOpensWithItsRowsAndThePlaces()
    {
        QFETCH(bool, withPlaces);
        TestMachine machine;
        QDir().mkpath(machine.dataFolder());
        makeOldWorkingCopy(machine.pristineCopy(), machine.workingCopy(), withPlaces);
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
        QVERIFY(store.profiles() == ShippedCopy(machine.pristineCopy()).profiles());
        store.close();
        store.open();
        QCOMPARE(rowsOf(machine.workingCopy()), rows);
        QCOMPARE(QFileInfo(machine.workingCopy()).permissions(), mode);
        QCOMPARE(integrityOf(machine.workingCopy()), QStringLiteral("ok"));
    }

    // The quick way to the shortest text agrees with the general conversion for figures with a
    // few decimals, as the data has, and for any other number.
    void decimalTextIsTheShortestThatReadsBack()
    {
        QRandomGenerator random(20261210);
        for (int i = 0; i < 200000; ++i) {
            const int decimals = i % 7;
            const double number = i % 3 ? double(qint64(random.bounded(4e8)) - qint64(2e8)) / std::pow(10.0, decimals)
                                        : (random.generateDouble() - 0.5) * std::pow(10.0, random.bounded(12));
            const QString general = QLocale::c().toString(number, 'f', QLocale::FloatingPointShortest);
            QCOMPARE(shortestDecimalText(number, decimals), general);
        }
    }

    void profilesAreTheShippedOnes_data() { addKnownProfiles(); }
    void profilesAreTheShippedOnes()
    {
        TestMachine machine;
        QDir().mkpath(machine.dataFolder());
        provisionWorkingCopy(machine.pristineCopy(), machine.workingCopy());
        SqliteZipStore store(machine.locations());
        store.open();
        checkKnownProfile(store);
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
