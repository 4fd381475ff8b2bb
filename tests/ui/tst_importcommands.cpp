#include "Form1.h"
#include "ImportCommands.h"
#include "TestMachine.h"
#include "WindowFixture.h"

#include <QFile>
#include <QTest>

class TestImportCommands : public QObject, LoadedFormTest
{
    Q_OBJECT

private slots:
    void init() { loadForm(); }
    void cleanup() { dropForm(); }

    // The box names the file, the line and the reason; the working copy stays as it was.
    void aBadFileIsRefusedAndChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("reason");
        const QByteArray dump("US\t10001\tNew York\tNew York\tNY\t\t\t\t\t40.7\t-73.9\t4\n");
        QTest::newRow("empty") << QByteArray() << 0LL << ": the file is empty";
        QTest::newRow("several hundred megabytes, refused unread")
            << QByteArray() << 300LL * 1024 * 1024 << ": the file is 300 MB; a ZIP data file is at most 16 MB";
        QTest::newRow("binary") << QByteArray("\x7f" "ELF\x02\x01\x01\0\0\0", 10) << 0LL
                                << ", line 1: not UTF-8 text: binary data";
        QTest::newRow("not UTF-8 on its second line") << QByteArray("ZIP,City,State\n10001,Caf\xe9,NY\n") << 0LL
                                                      << ", line 2: not UTF-8 text: binary data";
        QTest::newRow("neither format") << QByteArray("zip;city;state\n10001;New York;NY\n") << 0LL
                                        << ": neither a GeoNames postal-code dump (12 TAB-separated fields a line) "
                                           "nor a CSV whose first line is ZIP,City,State";
        QTest::newRow("dump, bad ZIP") << dump + QByteArray(dump).replace("10001", "1001") << 0LL
                                       << ", line 2: bad ZIP \"1001\": a ZIP is five digits";
        QTest::newRow("dump, unknown state") << dump + QByteArray(dump).replace("\tNY\t", "\tXY\t") << 0LL
                                             << ", line 2: unknown state code \"XY\" for 10001";
        QTest::newRow("dump, empty city") << QByteArray(dump).replace("\tNew York\tNew", "\t \tNew") << 0LL
                                          << ", line 1: empty city for 10001";
        QTest::newRow("dump, another country") << QByteArray(dump).replace("US\t", "CA\t") << 0LL
                                               << ", line 1: country code \"CA\" where a dump for the US has US";
        QTest::newRow("dump, a civilian place without a state")
            << dump + QByteArray(dump).replace("\tNY\t", "\t\t") << 0LL
            << ", line 2: no state code for \"New York\", which is no APO, FPO or DPO place";
        QTest::newRow("dump, a short line") << dump + "US\t10002\tNew York\n" << 0LL
                                            << ", line 2: 3 TAB-separated fields where a GeoNames dump has 12";
        QTest::newRow("CSV, bad ZIP") << QByteArray("ZIP,City,State\n10001,New York,NY\n1000A,New York,NY\n") << 0LL
                                      << ", line 3: bad ZIP \"1000A\": a ZIP is five digits";
        QTest::newRow("CSV, unknown state") << QByteArray("ZIP,City,State\n10001,New York,New York\n") << 0LL
                                            << ", line 2: unknown state code \"NEW YORK\" for 10001";
        QTest::newRow("CSV, empty city") << QByteArray("ZIP,City,State\n10001,\"\",NY\n") << 0LL
                                         << ", line 2: empty city for 10001";
        QTest::newRow("CSV, a fourth field") << QByteArray("ZIP,City,State\n10001,New York,NY,USA\n") << 0LL
                                             << ", line 2: 4 fields where the header has 3";
        QTest::newRow("CSV, a quote that never closes")
            << QByteArray("ZIP,City,State\n10001,New York,NY\n10002,\"New York,NY\n10003,New York,NY\n") << 0LL
            << ", line 3: a quoted field that never closes";
        QTest::newRow("CSV, only its header") << QByteArray("ZIP,City,State\n") << 0LL
                                              << ": the file holds no ZIP rows";
        QTest::newRow("dump, a city of 101 characters")
            << dump + QByteArray(dump).replace("\tNew York\tNew", "\t" + QByteArray(101, 'N') + "\tNew") << 0LL
            << ", line 2: a city of 101 characters for 10001, where at most 100 are taken";
        QTest::newRow("CSV, a right-to-left override in the city")
            << QByteArray("ZIP,City,State\n10001,\xe2\x80\xaekroY weN,NY\n") << 0LL
            << ", line 2: a Unicode format character (U+202E) in the city of 10001";
        QTest::newRow("CSV, a zero-width space in the county")
            << QByteArray("ZIP,City,State,County,Latitude,Longitude\n10001,New York,NY,New\xe2\x80\x8bYork,,\n") << 0LL
            << ", line 2: a Unicode format character (U+200B) in the county of 10001";
        QTest::newRow("dump, one ZIP in two states") << dump + QByteArray(dump).replace("\tNY\t", "\tCA\t") << 0LL
                                                     << ", line 2: 10001 in CA, where line 1 puts it in NY: a ZIP lies in "
                                                        "one state";
    }
    void aBadFileIsRefusedAndChangesNothing()
    {
        QFETCH(QByteArray, content);
        QFETCH(qint64, size);
        QFETCH(QString, reason);
        const QString path = machine->dir.filePath(QStringLiteral("US.txt"));
        writeFile(path, content);
        if (size > 0)
            QVERIFY(QFile(path).resize(size)); // sparse: no disk is spent
        const QStringList before = rowsOf(machine->workingCopy());

        form->importCommands().importDroppedFile(path);
        QCOMPARE(platform().boxes, Boxes{box(path + reason, Platform::Exclamation, QStringLiteral("Import ZIP Data"))});
        QCOMPARE(rowsOf(machine->workingCopy()), before);
    }

    // A dump cut short after its first New York and its first California line would remove
    // nearly every ZIP of both: it takes a second yes, which names the count.
    void aFileRemovingMostOfAStateTakesASecondYes_data()
    {
        QTest::addColumn<QList<Platform::BoxAnswer>>("answers");
        QTest::addColumn<bool>("imported");
        QTest::newRow("no to the summary") << QList<Platform::BoxAnswer>{Platform::No} << false;
        QTest::newRow("no to the removals") << QList<Platform::BoxAnswer>{Platform::Yes, Platform::No} << false;
        QTest::newRow("yes to both") << QList<Platform::BoxAnswer>{Platform::Yes, Platform::Yes} << true;
    }
    void aFileRemovingMostOfAStateTakesASecondYes()
    {
        QFETCH(QList<Platform::BoxAnswer>, answers);
        QFETCH(bool, imported);
        const QString path = machine->dir.filePath(QStringLiteral("US.txt"));
        writeFile(path, "US\t10001\tNew York\tNew York\tNY\t\t\t\t\t40.7\t-73.9\t4\n"
                        "US\t90028\tLos Angeles\tCalifornia\tCA\t\t\t\t\t34.1\t-118.3\t4\n");
        const QString where = QStringLiteral("where State in ('NY', 'CA')");
        const QStringList before = rowsOf(machine->workingCopy(), where);
        platform().answers = answers;

        form->importCommands().importDroppedFile(path);
        QCOMPARE(platform().boxes.size(), answers.size());
        if (answers.size() > 1)
            QCOMPARE(platform().boxes[1].text,
                     path + " would remove 2592 of the 2593 ZIPs of CA, which the file names on line 2 only; 2153 of "
                            "the 2154 ZIPs of NY, which the file names on line 1 only: more than half of a state's "
                            "ZIPs, as a file cut short would.\n\nImport it all the same, removing 4745 ZIPs?");
        const QStringList after = imported ? QStringList{"10001|New York|NY", "90028|Los Angeles|CA"} : before;
        QCOMPARE(rowsOf(machine->workingCopy(), where), after);
    }

    void withTheServerADropIsRefusedAndWritesNothing()
    {
        dropForm();
        machine = std::make_unique<TestMachine>();
        platform().server = QStringLiteral("host=") + machine->dir.path() + QStringLiteral(" dbname=none");
        form = std::make_unique<Form1>(platform());
        form->load();
        platform().boxes.clear();
        const QString path = machine->dir.filePath(QStringLiteral("zips.csv"));
        writeFile(path, "ZIP,City,State\n10001,New York,NY\n");

        form->importCommands().importDroppedFile(path);
        QCOMPARE(platform().boxes.size(), 1);
        QVERIFY(platform().boxes[0].text.startsWith(QStringLiteral("Importing into the office's server is not supported")));
        QVERIFY(platform().boxes[0].text.contains(QStringLiteral("Form_OLEDragDrop at line 106")));
        QVERIFY(!QFile::exists(machine->workingCopy()));
    }
};

QTEST_MAIN(TestImportCommands)
#include "tst_importcommands.moc"
